#pragma once
// TRemotePathBox: the remote pane's path box, an editable drop-down list of
// recently visited remote directories. Entries show a closed folder, the
// selected one an open folder. AddPath() selects an existing entry (letter
// case ignored) or appends the path and drops the oldest entries beyond the
// limit ("MaxRemoteMRUPaths").
//
// PathChosen fires when the user picks an entry or types a path and presses
// Enter. Paths are UTF-8 as the server sent them.

#include <QComboBox>

#include <memory>
#include <string>

class TIconCache;

class TRemotePathBox : public QComboBox {
    Q_OBJECT
public:
    explicit TRemotePathBox(std::shared_ptr<TIconCache> icons = nullptr, QWidget* parent = nullptr);

    void AddPath(const std::string& path);
    void SetMaxEntries(int count);
    int MaxEntries() const { return maxEntries_; }
    /// The raw path of entry `index`.
    std::string PathAt(int index) const;
    /// Removes every entry and the text (disconnected).
    void ClearPaths();

signals:
    void PathChosen(const std::string& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateIcons();

    std::shared_ptr<TIconCache> icons_;
    int maxEntries_ = 12;
};
