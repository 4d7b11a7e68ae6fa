#pragma once
// The order and the texts of remote entries, shared by every list of them
// (the remote pane, the search results), so that both sort alike:
// - ".." heads the list in both sort states;
// - directories come before files, then the sort column decides;
// - sort state 0 reverses everything but the ".." rule (files first);
// - texts compare by the user's locale ignoring letter case, sizes and dates
//   by value; rows that compare equal keep their original order.
//
// Contract: thread-safe (no shared state); the texts are for display.

#include "ftp/listparse/ListItem.h"

#include <QCollator>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

/// What the order needs of a row besides its sort column.
struct TRemoteOrderKey {
    bool Parent = false;     // the ".." row
    bool Directory = false;  // ".." included
    std::uint32_t Id = 0;    // original position; breaks ties
};

/// Sorts `rows` (each with a `Key` member of type TRemoteOrderKey) in
/// `state` (1 or 0); `compareColumn(a, b)` answers <0, 0 or >0 for the sort
/// column alone.
template <typename Row, typename Compare>
void SortRemoteRows(std::vector<Row>& rows, int state, Compare compareColumn)
{
    const bool reversed = state == 0;
    std::sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        if (a.Key.Parent != b.Key.Parent)
            return a.Key.Parent;
        int result = a.Key.Directory != b.Key.Directory ? (a.Key.Directory ? -1 : 1) : compareColumn(a, b);
        if (reversed)
            result = -result;
        return result != 0 ? result < 0 : a.Key.Id < b.Key.Id;
    });
}

/// Three-way comparison of two values.
template <typename T>
int CompareValues(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

/// The place of each text among the others by `collator` (case ignored):
/// equal texts share a rank, so sorting compares integers.
std::vector<std::uint32_t> RankRemoteTexts(const QCollator& collator, const std::vector<QString>& texts);

/// The modification date in the locale's short form; `withTime` adds the
/// long time unless it is exactly midnight. Empty when the date is unknown.
QString RemoteDateText(const TIdFTPListItem& entry, bool withTime);

/// The Unix columns of an entry: the nine permission letters, the owner and
/// the group; all empty for entries of other listing styles.
struct TRemoteUnixTexts {
    QString Permissions, User, Group;
};
TRemoteUnixTexts RemoteUnixTexts(const TIdFTPListItem& entry);
