#include "RemovalFlow.h"

#include "Installation.h"
#include "SetupTexts.h"

namespace installer::win {

namespace {

void addList(std::string &text, const std::string &heading, const std::vector<std::string> &lines)
{
    if (lines.empty())
        return;
    if (!text.empty())
        text += "\n\n";
    text += heading;
    for (const std::string &line : lines)
        text += "\n    " + line;
}

} // namespace

std::optional<std::string> removalQuestion(InstalledChoice choice, const Package &package,
                                           const std::vector<LeftFile> &leftFiles)
{
    if (!leftFiles.empty())
        return texts::leftQuestion(package, leftFiles);
    if (choice == InstalledChoice::Remove)
        return texts::removeQuestion(package);
    return std::nullopt;
}

std::string reinstallProblem(InstalledChoice choice, const Package &package, const std::string &gameFolder)
{
    return choice == InstalledChoice::Reinstall ? Installation(package, gameFolder).preflight()
                                                : std::string();
}

bool installsAfterRemoval(InstalledChoice choice, const UninstallResult &result)
{
    return choice == InstalledChoice::Reinstall && !result.cancelled && (result.ok || result.error.empty());
}

std::vector<std::string> installationLines(const std::vector<InstallRecord> &installations)
{
    std::vector<std::string> lines;
    for (auto it = installations.rbegin(); it != installations.rend(); ++it)
        lines.push_back(texts::installedWhen(*it));
    return lines;
}

std::string removalSummary(const UninstallResult &result)
{
    std::string text = result.ok ? std::string() : result.error;
    addList(text, texts::removedHeading(), result.removed);
    addList(text, texts::restoredHeading(), result.restored);
    std::vector<std::string> left;
    for (const LeftFile &file : result.left)
        left.push_back(texts::leftLine(file));
    addList(text, texts::leftHeading(), left);
    return text;
}

} // namespace installer::win
