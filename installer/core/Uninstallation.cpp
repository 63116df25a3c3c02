// SCAFFOLD: replaced by the real implementation on the uninstall branch.
#include "Uninstallation.h"

namespace installer {

Uninstallation::Uninstallation(std::string gameFolder, std::string packageName)
    : m_gameFolder(std::move(gameFolder)), m_packageName(std::move(packageName))
{
    m_installations = installationsOf(m_gameFolder, m_packageName);
}
std::string Uninstallation::preflight() const { return "not built yet"; }
std::vector<LeftFile> Uninstallation::check() const { return {}; }
UninstallResult Uninstallation::run()
{
    UninstallResult result;
    result.error = "not built yet";
    return result;
}

} // namespace installer
