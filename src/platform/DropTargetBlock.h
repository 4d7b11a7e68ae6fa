#pragma once
// TDropTargetBlock: how a file-manager extension tells the program where
// the user dropped remote rows dragged out of it.
//
// The drag offers the file manager a placeholder folder, "TFTPDROP". An
// extension that recognises a drop of it keeps the copy from happening and
// writes the destination folder into the block: a file of at most 260
// bytes, the folder as 8-bit text ended by a zero byte. When the drag has
// ended outside the program's own lists, the program takes the report and
// downloads the dragged rows into that folder.
//
// Both files live in the user's private temporary folder (PrivateTempFolder),
// so no other user can plant a destination. An extension announces itself
// by creating the block file (it may be empty); without it the placeholder
// is not offered at all, so a desktop without such an extension refuses
// the drop instead of copying an empty "TFTPDROP" folder.
//
// Contract: nothing raises; a folder or file that cannot be used counts as
// "no extension" or "no report".

#include <string>

class TDropTargetBlock {
public:
    static constexpr int Size = 260;

    static std::string Path();
    /// Whether an extension serves the block (its file exists).
    static bool Served();
    /// The reported folder, and the report cleared (the file stays, empty);
    /// "" when none.
    static std::string Take();
    /// Writes a report, as an extension does; text longer than the block
    /// allows is refused. Answers whether it was written.
    static bool Write(const std::string& folder);
    /// Removes the block file (the extension is gone).
    static void Withdraw();

    /// Where the placeholder folder is (not made).
    static std::string PlaceholderPath();
    /// The placeholder folder, made when missing; "" when it cannot be.
    static std::string PlaceholderFolder();
    /// Removes the placeholder folder when it is empty.
    static void RemovePlaceholder();
};
