#pragma once

#include <string>
#include <vector>

#include "Layout.h"

// The page handles: one per page type, created on first use and kept for the
// whole run. Using a page through its handle builds and loads it if need be.
class FrmARNew0;
class FrmARNew1;
class FrmARReadmeLocation;
class FrmARNew2;
class FrmARNew3;
class FrmARAddARFiles;
class FrmARCreate;
class FrmARDone;

FrmARNew0 &frmARNew0();
FrmARNew1 &frmARNew1();
FrmARReadmeLocation &frmARReadmeLocation();
FrmARNew2 &frmARNew2();
FrmARNew3 &frmARNew3();
FrmARAddARFiles &frmARAddARFiles();
FrmARCreate &frmARCreate();
FrmARDone &frmARDone();

namespace Vemko {
// Shows the package name and folder page; everything else happens in page handlers.
void ShowFirstPage();

// Copies the installer into the package folder and moves on to the completion page.
void CopySetupAndFinish();
} // namespace Vemko

namespace pages {
// Destroys every page object and window. Only a fresh run in tests needs it.
void releaseAll();

// A page type's name and its layout, as the page builds its window from it.
struct NamedLayout
{
    std::string page;
    form::PageLayout layout;
};

// Every page of the wizard, in the order a run meets them.
std::vector<NamedLayout> layouts();
} // namespace pages
