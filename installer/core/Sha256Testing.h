#pragma once

// Seams for the tests of the digests; the program never sets them.
namespace installer::sha256_testing {

// True when the processor has the SHA instructions that Sha256 then uses.
bool processorHasShaInstructions();

// Makes every Sha256 use the portable rounds (true) or the processor's where it has them (false).
void forcePortable(bool force);

} // namespace installer::sha256_testing
