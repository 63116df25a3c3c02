#include <functional>
#include <ostream>
#include <string>

#include "Files.h"
#include "FrmARAddARFiles.h"
#include "FrmARReadmeLocation.h"
#include "Pages.h"
#include "Platform.h"
#include "WizardFixture.h"

namespace {

// The lists of one picker, reached through its page.
struct Picker
{
    const char *name;
    std::function<form::DirList *()> dir;
    std::function<form::FileList *()> file;
};

const Picker Pickers[] = {
    {"ReadmePicker", [] { return frmARReadmeLocation().Dir1(); },
     [] { return frmARReadmeLocation().File1(); }},
    {"ARFilePicker", [] { return frmARAddARFiles().Dir1(); }, [] { return frmARAddARFiles().File1(); }},
};

// Names the picker in test names, not its bytes.
void PrintTo(const Picker &picker, std::ostream *out)
{
    *out << picker.name;
}

class BothPickers : public WizardFixture, public ::testing::WithParamInterface<Picker>
{
};

} // namespace

// The lists of both pickers stay in step the same way, and every list tells the author
// through the runtime's message box, never a box of its own.
TEST_P(BothPickers, TheFileListFollowsTheFolderAndEveryListReportsThroughThePlatform)
{
    const Picker &picker = GetParam();
    const std::string folder =
        base::files::fromPath(std::filesystem::canonical(base::files::toPath(inProgram(""))));
    picker.dir()->setPath(folder);
    EXPECT_EQ(picker.file()->path(), folder);

    const std::string gone = folder + "/gone";
    picker.dir()->setPath(gone);
    picker.file()->setPath(gone);
    ASSERT_EQ(fake->messageBoxes.size(), 2u);
    for (const FakePlatform::MessageBoxCall &box : fake->messageBoxes) {
        EXPECT_TRUE(box.text.starts_with("Cannot open the folder " + gone + ":\n")) << box.text;
        EXPECT_EQ(box.flags, form::MB_ICONWARNING);
        EXPECT_EQ(box.title, "Quernel 2.0");
    }
    EXPECT_EQ(picker.dir()->path(), folder); // the lists stay where they were
    EXPECT_EQ(picker.file()->path(), folder);
}

INSTANTIATE_TEST_SUITE_P(Pages, BothPickers, ::testing::ValuesIn(Pickers),
                         [](const ::testing::TestParamInfo<Picker> &info) { return info.param.name; });
