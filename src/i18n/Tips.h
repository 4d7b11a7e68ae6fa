#pragma once
// Tips of the day: TTips reads the active language's tip file
// "Tips - <language id>.xml" from the data directory (root "TipList", one
// "Tip" per tip in display order, its text in the child "Content", an
// optional integer "HelpID" attribute naming a help topic) and steps
// through it, remembering the position in "LastTipIndex".
//
// Contract:
// - User-interface thread only; make a new TTips for every step so that a
//   file edited meanwhile is seen.
// - A missing tip file is first copied from the shipped tips (the
//   "Tips" folder of a shipped-data directory) when one exists for the
//   language, else created holding an empty "TipList". A file that cannot
//   be parsed raises EXMLParseError and is left as it was.
// - Steps wrap around at both ends; a stored position outside the list
//   (a shorter file than before) is brought back into it. With no tips a
//   step answers "Tip file not found.", selects nothing and leaves the
//   position alone.

#include <filesystem>
#include <string>
#include <vector>

class TMainConfig;

struct TTipOfTheDay {
    std::string Content;
    int HelpID = -1;  // -1 when the tip names no help topic
};

class TTips {
public:
    /// `dataDirectory` holds the user's tip files; `shippedDirectories` are
    /// searched, in order, for "Tips/<file name>" when the user has none.
    TTips(TMainConfig& config, const std::string& dataDirectory, int languageId,
          const std::vector<std::filesystem::path>& shippedDirectories = {});

    /// "Tips - <languageId>.xml".
    static std::string FileName(int languageId);

    const std::vector<TTipOfTheDay>& Items() const { return tips_; }
    /// The tip chosen by the last step, or nullptr.
    const TTipOfTheDay* Selected() const { return selected_; }

    /// The tip after the one shown last (the window shows a new tip each
    /// time it opens).
    std::string FirstTip() { return NextTip(); }
    std::string NextTip();
    std::string PreviousTip();

private:
    std::string Select(int index);

    TMainConfig& config_;
    std::vector<TTipOfTheDay> tips_;
    const TTipOfTheDay* selected_ = nullptr;
};
