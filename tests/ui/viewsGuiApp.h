#pragma once
// Shared by the view tests: one QApplication on the off-screen platform for
// the whole test program, a condition wait that keeps the event loop
// running, answers to modal windows, and listings parsed from raw LIST
// lines.

#include "session/ListingCache.h"

#include <QMessageBox>

#include <functional>
#include <string>

/// Runs the Qt event loop until `done()` answers true or `milliseconds`
/// passed; answers `done()`.
bool WaitUntil(const std::function<bool()>& done, int milliseconds = 30000);

namespace guitest {

/// Runs `action` on the next modal window once it shows.
void WhenModal(std::function<void(QWidget*)> action);

/// Answers the next message box with `button`; `text` (if given) receives
/// the question.
void AnswerNextQuestion(QMessageBox::StandardButton button, QString* text = nullptr);

} // namespace guitest

/// Raw LIST lines (LF-separated) through the program's listing parsers.
TListingCache::TListing ParseListing(const std::string& lines);

/// A fixture file of tests/fixtures as text.
std::string FixtureText(const std::string& relativePath);
