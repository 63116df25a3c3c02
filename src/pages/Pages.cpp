#include "Pages.h"

#include <memory>

#include "Form.h"
#include "FrmARAddARFiles.h"
#include "FrmARCreate.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "PackageNames.h"
#include "Platform.h"
#include "Vemko.h"

namespace {

struct Handles
{
    std::unique_ptr<FrmARNew0> new0;
    std::unique_ptr<FrmARNew1> new1;
    std::unique_ptr<FrmARReadmeLocation> readmeLocation;
    std::unique_ptr<FrmARNew2> new2;
    std::unique_ptr<FrmARNew3> new3;
    std::unique_ptr<FrmARAddARFiles> addARFiles;
    std::unique_ptr<FrmARCreate> create;
    std::unique_ptr<FrmARDone> done;
};

Handles &handles()
{
    static Handles h;
    return h;
}

template <class P> P &use(std::unique_ptr<P> &handle)
{
    if (!handle)
        handle = std::make_unique<P>();
    return *handle;
}

} // namespace

FrmARNew0 &frmARNew0()
{
    return use(handles().new0);
}

FrmARNew1 &frmARNew1()
{
    return use(handles().new1);
}

FrmARReadmeLocation &frmARReadmeLocation()
{
    return use(handles().readmeLocation);
}

FrmARNew2 &frmARNew2()
{
    return use(handles().new2);
}

FrmARNew3 &frmARNew3()
{
    return use(handles().new3);
}

FrmARAddARFiles &frmARAddARFiles()
{
    return use(handles().addARFiles);
}

FrmARCreate &frmARCreate()
{
    return use(handles().create);
}

FrmARDone &frmARDone()
{
    return use(handles().done);
}

void Vemko::ShowFirstPage()
{
    frmARNew0().show();
}

void Vemko::CopySetupAndFinish()
{
    using namespace platform;
    const std::string installer = ProgramFolder() + separator() + package::text(package::file::RedistFolder) +
                                  separator() + package::text(package::file::Setup);
    std::string error;
    // A package without its installer is not complete: stay on this page and say why.
    if (current().copyFile(installer, PackageFile(package::text(package::file::Setup)), &error) ==
        CopyOutcome::Failed) {
        form::runtime().messageBox("The installer could not be copied into the package folder:\r\n" + error,
                                   form::MB_ICONWARNING, package::text(package::WindowCaption));
        return;
    }
    frmARDone().show();
    frmARNew3().unload();
}

void pages::releaseAll()
{
    handles() = Handles{};
}

std::vector<pages::NamedLayout> pages::layouts()
{
    return {
        {"FrmARNew0", FrmARNew0::layout()},
        {"FrmARNew1", FrmARNew1::layout()},
        {"FrmARReadmeLocation", FrmARReadmeLocation::layout()},
        {"FrmARNew2", FrmARNew2::layout()},
        {"FrmARNew3", FrmARNew3::layout()},
        {"FrmARAddARFiles", FrmARAddARFiles::layout()},
        {"FrmARCreate", FrmARCreate::layout()},
        {"FrmARDone", FrmARDone::layout()},
    };
}
