// SCAFFOLD: replaced by the real implementation on the record branch.
#include "InstallRecord.h"

namespace installer {

std::string InstallRecord::path() const { return folder + '/' + recordFileName(); }
std::string recordFileName() { return "Quernel Installation.ini"; }
std::string recordToBytes(const InstallRecord &) { return {}; }
bool recordFromBytes(std::string_view, InstallRecord *, std::string *error)
{
    *error = "not built yet";
    return false;
}
bool writeRecord(const InstallRecord &, std::string *error)
{
    *error = "not built yet";
    return false;
}
std::optional<InstallRecord> readRecord(const std::string &, std::string *error)
{
    *error = "not built yet";
    return std::nullopt;
}
bool removeRecord(const InstallRecord &, std::string *error)
{
    *error = "not built yet";
    return false;
}
std::vector<InstallRecord> recordedInstallations(const std::string &, std::vector<std::string> *) { return {}; }
std::vector<InstallRecord> installationsOf(const std::string &, std::string_view) { return {}; }

} // namespace installer
