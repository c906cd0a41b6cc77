#include "core/TableLoader.h"

#include "platform/Files.h"
#include "platform/Message.h"
#include "platform/ProgramDir.h"
#include "settings/Settings.h"

namespace tessarim {

namespace {

const Key<keys::Int>& SecondsKey(FixTableId table) {
    return table == FixTableId::Big5 ? keys::Ageb5fix : keys::Agegbfix;
}

const Key<keys::Text>& ExactKey(FixTableId table) {
    return table == FixTableId::Big5 ? keys::Ageb5fixExact : keys::AgegbfixExact;
}

} // namespace

std::string SettingsFixStamps::ReadVersion(FixTableId table) const {
    return Read(IniFile(path_), ExactKey(table));
}

void SettingsFixStamps::Write(FixTableId table, const FixTableStamp& stamp) {
    IniFile ini(path_);
    tessarim::Write(ini, SecondsKey(table), stamp.seconds);
    tessarim::Write(ini, ExactKey(table), stamp.version);
}

FixTables& ProgramFixTables() {
    static FixTables tables;
    return tables;
}

std::string SettingsFolderRefusal(const std::string& folder) {
    const std::string dir = folder.empty() ? ProgramDir() : folder;
    if (!OthersMayChange(dir)) return {};
    return "The settings folder " + dir +
           " can be changed by other users, so Tessarim does not use it. Let only its owner "
           "write to it (chmod go-w), or name another folder in TESSARIM_HOME.";
}

void LoadFixTableForUse(FixTables& tables, FixTableId table, const std::string& folder) {
    const std::string dir = folder.empty() ? ProgramDir() : folder;
    const std::string name(FixTableFileName(table));
    if (OthersMayChange(dir + name)) {
        tables.Store(table).Clear();
        ShowMessage(MessageKind::Error, dir + name +
                                            " can be changed by other users, so it is not used. "
                                            "Let only its owner write to it (chmod go-w).");
        return;
    }
    SettingsFixStamps stamps(dir + std::string(SettingsFileName));
    if (!LoadFixTableWithDefault(tables, table, dir, stamps))
        ShowMessage(MessageKind::Error,
                    "Cannot open \"" + std::string(FixTableFileName(table)) + "\".");
}

void LoadTablesForFace(FixTables& tables, Face face, const std::string& folder) {
    if (face == FaceT) LoadFixTableForUse(tables, FixTableId::Big5, folder);
    if (face == FaceS) LoadFixTableForUse(tables, FixTableId::Gbk, folder);
}

} // namespace tessarim
