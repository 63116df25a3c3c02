#pragma once

// The install.ini the wizard writes for the typical author of the end-to-end runs: "My Pack" by
// Jo, (c) Jo, www.example.org, jo@example.org, readme.txt, Midtown Madness 2, a 30-second delay,
// a smooth bar, city.ar then cars.ar. The Linux run and the Windows black-box run both hold the
// bytes they produce against this one text, so the two wizards cannot drift apart.
namespace quernel_test {

inline constexpr const char *TypicalInstallIni = "[install.ini]\r\n"
                                                 "Name=My Pack\r\n"
                                                 "Copyright=(c) Jo\r\n"
                                                 "Author=Jo\r\n"
                                                 "WWW=www.example.org\r\n"
                                                 "AuthEmail=jo@example.org\r\n"
                                                 "Readme=readme.txt\r\n"
                                                 "mmType=2\r\n"
                                                 "Timer=30\r\n"
                                                 "TotalFiles= 2\r\n"
                                                 "[Progress Bar]\r\n"
                                                 "Smooth=True\r\n"
                                                 "[Files]\r\n"
                                                 "File1=city.ar\r\n"
                                                 "File2=cars.ar\r\n";

} // namespace quernel_test
