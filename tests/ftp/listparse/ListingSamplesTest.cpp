// Every sample of tests/fixtures/listings.jsonl (real LIST lines collected
// from the test suites of other FTP clients) goes through detection and
// parsing; the entries must say what the sample's source says. Families
// whose parsers are not built yet are counted as skipped, not failed.

#include "ftp/listparse/JsonLines.h"

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListRegistry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Which of our parsers may serve each family of the samples. A family with
// no parser here is outside what the registry covers.
struct TFamilyParsers {
    std::string_view Family;
    std::vector<std::string_view> Identifiers;
    bool Direct = false;  // parsed by the first parser directly, no detection
};

const std::vector<TFamilyParsers>& FamilyParsers()
{
    static const std::vector<TFamilyParsers> table = {
        {"unix", {"Unix", "Unitree"}},
        {"windows-nt", {"Windows NT"}},
        {"eplf", {"EPLF"}},
        // The program lists with LIST only, so MLSD lines are never detected;
        // the parser itself still reads them.
        {"mlsd", {"MLST"}, true},
        {"vms", {"VMS"}},
        {"mvs",
         {"MVS", "MVS:  Partitioned Data Set", "MVS:  JES Queue Interface 1",
          "MVS:  JES Queue Interface 2"}},
        {"os2", {"OS/2"}},
        {"as400", {"AS400"}},
        {"netware",
         {"Novell Netware", "Novell Netware Print Services for Unix:  DOS Namespace",
          "Novell Netware Print Services for Unix:  NFS Namespace"}},
        {"hellsoft", {"Hellsoft"}},
        {"cms", {"VM/CMS"}},
        {"vxworks", {"Wind River VxWorks"}},
        {"os9", {"MicroWare OS-9"}},
        {"mpe-ix", {"MPE/iX: ", "With POSIX"}},
        {"connect-enterprise-unix",
         {"CONNECT:Enterprise for UNIX", "CONNECT:Enterprise for UNIX$$",
          "CONNECT:Enterprise for UNIX ROOT"}},
    };
    return table;
}

// Samples where our result differs from the source's on purpose. They still
// run (no crash, no hang); their expectations are not compared.
// Add rows in your own family's block, one reason each.
const std::map<std::string, std::string, std::less<>>& Exceptions()
{
    static const std::map<std::string, std::string, std::less<>> table = {
        // Unix
        {"unix-015", "localised month names (\"szept\") are not read: date unknown"},
        {"unix-019", "the date words are not UTF-8 (Latin-1 bytes): date unknown"},
        {"unix-020", "the date words are not UTF-8 (Latin-1 bytes): date unknown"},
        {"unix-021", "the date words are not UTF-8 (Latin-1 bytes): date unknown"},
        {"unix-023", "group glued to the size (\"longgroup123456\"): size unread, 0"},
        {"unix-030", "day before month and a name starting with a number: the Unix line "
                     "test (month in word 7, no time in word 9) rejects it"},
        {"unix-040", "type letter \"f\" is not a Unix permission string"},
        {"unix-084", "permissions glued to the link count (\"drwxr-x---+1464\"): columns "
                     "shift, owner unread"},
        {"unix-090", "group with blanks and a number (\"my group 500\"): the first number "
                     "ends the group and is taken as the size"},
        {"unix-120", "no owner/group columns but two numbers: read as link count and owner"},
        {"unix-134", "a leading blank of the name is lost (runs of blanks separate words)"},
        {"unix-203", "group with a blank shifts the month to word 7: the Unix line test "
                     "rejects it"},
        {"unix-204", "localised month names (\"май\") are not read: date unknown"},
        {"unix-212", "garbage between size and date: date unknown, name keeps the day"},
        {"unix-214", "first word is not a permission string: not a Unix line"},
        // Windows NT
        {"windows-nt-031", "\"<DIR>\" is followed by ten blanks; an eleventh belongs to the "
                           "name"},
        // families-b: VMS
        {"vms-004", "localised month name (\"JUI\") is not read: date unknown"},
        {"vms-036", "the source states counts (6 entries, one per version), not entries; "
                    "ServerFamiliesTest checks such a listing"},
        {"vms-037", "folders are named as one changes into them: \"DATA\", not \"DATA.DIR\""},
        {"vms-039", "files keep their version (\"1-JUN.LIS;1\"): each version is an entry"},
        {"vms-040", "files keep their version (\"1-JUN.LIS;1\"): each version is an entry"},
        {"vms-043", "files keep their version (\"CII-MANUAL.TEX;1\"): each version is an entry"},
        {"vms-055", "names as the server sends them, with version; only the local name is "
                    "lower-cased and without version"},
        {"vms-056", "names as the server sends them, with version; only the local name is "
                    "lower-cased and without version"},
        {"vms-058", "names as the server sends them, with version; only the local name is "
                    "lower-cased and without version"},
        {"vms-060", "folder names as the server sends them (\"TEST\"); the local name is "
                    "lower-cased"},
        {"vms-061", "names as the server sends them, with version; only the local name is "
                    "lower-cased and without version"},
        {"vms-063", "names as the server sends them, with version; only the local name is "
                    "lower-cased and without version"},
        {"vms-064", "names as the server sends them, with version; only the local name is "
                    "lower-cased and without version"},
        {"vms-065", "names as the server sends them, with version; only the local name is "
                    "lower-cased and without version"},
        // families-a: MVS
        {"mvs-006", "a bare member name without the title line carries no sign of its "
                    "format: not recognised"},
        {"mvs-007", "member statistics count records, not bytes: size unknown"},
    };
    return table;
}

struct TCounts {
    int passed = 0;
    int onPurpose = 0;
    int unchecked = 0;
    int failed = 0;
    std::map<std::string, int> skipped;      // family -> samples (parser not built)
    std::map<std::string, int> notCovered;   // family -> samples (no parser in the registry)
};

std::string Latin1Bytes(const std::string& utf8)
{
    // Each character stands for one byte (the original line was not UTF-8).
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC0 && c < 0xE0 && i + 1 < utf8.size()) {
            out.push_back(static_cast<char>(((c & 0x1F) << 6)
                                            | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F)));
            ++i;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string KindText(TIdDirItemType kind)
{
    switch (kind) {
    case dkDirectory: return "dir";
    case dkSymbolicLink:
    case dkSymbolicLinkDir: return "link";
    default: return "file";
    }
}

std::string TwoDigits(int v)
{
    return (v < 10 ? "0" : "") + std::to_string(v);
}

// Mismatches of one entry, as text ("" when it matches).
std::string Compare(const TIdFTPListItem& item, const TJsonValue& expect)
{
    std::ostringstream out;
    auto mismatch = [&out](std::string_view field, const std::string& want, const std::string& got) {
        out << " " << field << ": expected '" << want << "', got '" << got << "';";
    };
    const auto* ux = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item);
    const TIdDateParts date = DecodeDateTime(item.ModifiedDate());
    for (const auto& [key, value] : expect.Object) {
        const std::string want = value.IsString() ? value.String : std::to_string(value.Number);
        if (key == "name" && item.FileName() != want)
            mismatch(key, want, std::string(item.FileName()));
        else if (key == "kind" && KindText(item.ItemKind()) != want)
            mismatch(key, want, KindText(item.ItemKind()));
        else if (key == "size" && (item.Size() != value.Number || !item.SizeKnown()))
            mismatch(key, want, item.SizeKnown() ? std::to_string(item.Size()) : "unknown");
        else if (key == "date") {
            const std::string got = std::to_string(date.Year) + "-" + TwoDigits(date.Month) + "-"
                                    + TwoDigits(date.Day);
            const bool ok = want.rfind("--", 0) == 0 ? got.substr(4) == want.substr(1) : got == want;
            if (!ok || !item.ModifiedKnown())
                mismatch(key, want, item.ModifiedKnown() ? got : "unknown");
        } else if (key == "time") {
            std::string got = TwoDigits(date.Hour) + ":" + TwoDigits(date.Minute);
            if (want.size() > 5)
                got += ":" + TwoDigits(date.Second);
            if (got != want || !item.ModifiedKnown())
                mismatch(key, want, item.ModifiedKnown() ? got : "unknown");
        } else if (ux != nullptr && key == "link_target" && ux->LinkTarget() != want)
            mismatch(key, want, std::string(ux->LinkTarget()));
        else if (ux != nullptr && key == "owner" && ux->OwnerName() != want)
            mismatch(key, want, std::string(ux->OwnerName()));
        else if (ux != nullptr && key == "group" && ux->GroupName() != want)
            mismatch(key, want, std::string(ux->GroupName()));
        else if (ux != nullptr && key == "owner_group") {
            std::string got(ux->OwnerName());
            if (!ux->GroupName().empty())
                got += (got.empty() ? "" : " ") + std::string(ux->GroupName());
            if (got != want)
                mismatch(key, want, got);
        } else if (ux != nullptr && key == "link_count" && ux->LinkCount() != value.Number)
            mismatch(key, want, std::to_string(ux->LinkCount()));
        else if (ux != nullptr && key == "permissions"
                 && (want.size() == 9 || want.size() == 10)) {
            const std::string got = std::string(ux->UserPermissions())
                                    + std::string(ux->GroupPermissions())
                                    + std::string(ux->OtherPermissions());
            if (got != want.substr(want.size() - 9))
                mismatch(key, want.substr(want.size() - 9), got);
        }
    }
    return out.str();
}

// Runs one sample; returns "" when it matches, else what differs.
std::string RunSample(const TJsonValue& sample, const TFamilyParsers& family,
                      const std::vector<std::string_view>& lines, bool check)
{
    TIdFTPListItems items;
    items.SetNow(*ParseIsoDateTime("2026-12-10T12:00:00"));
    const TIdFTPListBase* parser = nullptr;
    if (family.Direct) {
        parser = TIdFTPRegParseList::Instance().Find(family.Identifiers.front());
        parser->ParseListing(lines, items);
    } else {
        parser = TIdFTPRegParseList::Instance().ParseListing(lines, items);
    }
    if (!check)
        return {};

    std::vector<const TJsonValue*> expected;
    bool ignoredOnly = false;
    if (const TJsonValue* e = sample.Find("expect")) {
        if (e->Kind == TJsonValue::TKind::Array)
            for (const TJsonValue& one : e->Array)
                expected.push_back(&one);
        else if (const TJsonValue* ignored = e->Find("ignored"); ignored && ignored->Bool)
            ignoredOnly = true;
        else
            expected.push_back(e);
    }
    if (ignoredOnly)
        return items.Empty() ? "" : " the line should give no entry;";
    if (parser == nullptr)
        return " no parser recognised it;";
    bool familyParser = false;
    for (std::string_view id : family.Identifiers)
        familyParser = familyParser || parser->Identifier() == id;
    if (!familyParser)
        return " recognised as '" + std::string(parser->Identifier()) + "';";
    if (items.Count() != expected.size())
        return " " + std::to_string(items.Count()) + " entries instead of "
               + std::to_string(expected.size()) + ";";
    std::string result;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string diff = Compare(items[i], *expected[i]);
        if (!diff.empty())
            result += " [entry " + std::to_string(i + 1) + "]" + diff;
    }
    return result;
}

bool AnyImplemented(const TFamilyParsers& family)
{
    for (std::string_view id : family.Identifiers) {
        const TIdFTPListBase* parser = TIdFTPRegParseList::Instance().Find(id);
        if (parser != nullptr && parser->Implemented())
            return true;
    }
    return false;
}

} // namespace

TEST(ListingSamples, EverySampleGivesTheEntriesItsSourceExpects)
{
    std::ifstream file(std::string(TOVREL_FIXTURES_DIR) + "/listings.jsonl", std::ios::binary);
    ASSERT_TRUE(file.is_open());
    TCounts counts;
    std::set<std::string> allIds;
    std::set<std::string, std::less<>> families;
    std::string text;
    while (std::getline(file, text)) {
        if (text.empty())
            continue;
        const TJsonValue sample = TJsonReader::Parse(text);
        const std::string id = sample.Find("id")->String;
        allIds.insert(id);
        const std::string familyName = sample.Find("family")->String;
        families.insert(familyName);
        const TFamilyParsers* family = nullptr;
        for (const TFamilyParsers& f : FamilyParsers())
            if (f.Family == familyName)
                family = &f;
        if (family == nullptr) {
            ++counts.notCovered[familyName];
            continue;
        }
        if (!AnyImplemented(*family)) {
            ++counts.skipped[familyName];
            continue;
        }

        const bool latin1 = sample.Find("raw_bytes_latin1") != nullptr;
        std::vector<std::string> owned;
        if (const TJsonValue* listing = sample.Find("listing"))
            for (const TJsonValue& line : listing->Array)
                owned.push_back(latin1 ? Latin1Bytes(line.String) : line.String);
        else
            owned.push_back(latin1 ? Latin1Bytes(sample.Find("line")->String)
                                   : sample.Find("line")->String);
        const std::vector<std::string_view> lines(owned.begin(), owned.end());

        const bool onPurpose = Exceptions().count(id) != 0;
        const bool check = !onPurpose && sample.Find("source_verdict") == nullptr
                           && sample.Find("expect") != nullptr;
        const std::string diff = RunSample(sample, *family, lines, check);
        if (onPurpose) {
            ++counts.onPurpose;
        } else if (!check) {
            ++counts.unchecked;
        } else if (diff.empty()) {
            ++counts.passed;
        } else {
            ++counts.failed;
            ADD_FAILURE() << id << ":" << diff << "\n    line: " << owned.front();
        }
    }
    for (const TFamilyParsers& f : FamilyParsers())
        EXPECT_TRUE(families.count(f.Family) != 0) << "no samples of family " << f.Family;
    for (const auto& [id, reason] : Exceptions())
        EXPECT_TRUE(allIds.count(id) != 0) << "exception row for a sample that does not exist: " << id;

    std::cout << "listing samples: " << counts.passed << " passed, " << counts.failed
              << " failed, " << counts.onPurpose << " differ on purpose, " << counts.unchecked
              << " run without expectations (none given or the source rejects them)\n";
    int skipped = 0;
    for (const auto& [family, n] : counts.skipped) {
        std::cout << "  skipped (parser not built yet): " << family << " " << n << "\n";
        skipped += n;
    }
    int outside = 0;
    for (const auto& [family, n] : counts.notCovered) {
        std::cout << "  not covered by the registry: " << family << " " << n << "\n";
        outside += n;
    }
    std::cout << "  skipped " << skipped << ", outside the registry " << outside << "\n";
}
