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

namespace {

enum class Loaded { InUse, Refused, Failed };

Loaded LoadQuietly(FixTables& tables, FixTableId table, const std::string& dir) {
    // A table another user may change would put their words into this user's files.
    if (OthersMayChange(dir + std::string(FixTableFileName(table)))) {
        tables.Store(table).Clear();
        return Loaded::Refused;
    }
    SettingsFixStamps stamps(dir + std::string(SettingsFileName));
    return LoadFixTableWithDefault(tables, table, dir, stamps) ? Loaded::InUse : Loaded::Failed;
}

} // namespace

void LoadFixTableForUse(FixTables& tables, FixTableId table, const std::string& folder) {
    const std::string dir = folder.empty() ? ProgramDir() : folder;
    const std::string name(FixTableFileName(table));
    switch (LoadQuietly(tables, table, dir)) {
    case Loaded::InUse:
        break;
    case Loaded::Refused:
        ShowMessage(MessageKind::Error, dir + name +
                                            " can be changed by other users, so it is not used. "
                                            "Let only its owner write to it (chmod go-w).");
        break;
    case Loaded::Failed:
        ShowMessage(MessageKind::Error, "Cannot open \"" + name + "\".");
        break;
    }
}

void LoadTablesForFace(FixTables& tables, Face face, const std::string& folder) {
    if (face == FaceT) LoadFixTableForUse(tables, FixTableId::Big5, folder);
    if (face == FaceS) LoadFixTableForUse(tables, FixTableId::Gbk, folder);
}

void LoadTablesForFaceAgain(FixTables& tables, Face face, const std::string& folder) {
    const std::string dir = folder.empty() ? ProgramDir() : folder;
    if (face == FaceT) LoadQuietly(tables, FixTableId::Big5, dir);
    if (face == FaceS) LoadQuietly(tables, FixTableId::Gbk, dir);
}

void LoadTablesLike(FixTables& own, const FixTables& loaded, const std::string& folder) {
    const std::string dir = folder.empty() ? ProgramDir() : folder;
    for (const FixTableId table : {FixTableId::Gbk, FixTableId::Big5})
        if (loaded.EntryCount(table) > 0) LoadQuietly(own, table, dir);
}

} // namespace tessarim
