#pragma once

#include <functional>
#include <string>

// A seam for the tests of an installation killed at every step; the program never sets it.
namespace installer::testing {

// The steps of one file, in the order a run takes them.
enum class InstallStep
{
    OriginalStaged, // the copy of the original is whole in its temporary
    FileStaged,     // the package's file is whole in its temporary
    Journalled,     // the file's entry is in the journal, flushed
    OriginalKept,   // the copy of the original has its name in the backup folder
    FileInPlace,    // the package's file has taken its place in the game folder
};

using StepHook = std::function<void(InstallStep step, const std::string &fileName)>;
void setStepHook(StepHook hook);

} // namespace installer::testing
