#include "queue/QueueItemStatus.h"

namespace {

constexpr const char* kCodeTexts[] = {
    "MainForm_strRSSTResolving",          // qsResolving
    "MainForm_strRSSTConnecting",         // qsConnecting
    "MainForm_strRSSTConnected",          // qsConnected
    "MainForm_strRSSTDisconnecting",      // qsDisconnecting
    "MainForm_strRSSTDisconnected",       // qsDisconnected
    "MainForm_strRSSTStartingTransfer",   // qsStarting
    nullptr,                              // qsEngineText
    "MainForm_strRSSTTransfering",        // qsTransferring
    nullptr,                              // qsEngineReady
    "MainForm_strRSFTPRemoteTransferStopped", // qsStopped
    nullptr,                              // qsAssigned
    "MainForm_strRSSTAwaitingTransfer",   // qsAwaiting
    "MainForm_strRSSTTransferComplete",   // qsComplete
    "MainForm_strRSSTPaused",             // qsPaused
    nullptr,                              // qsFailed
};

} // namespace

const TTextCopies& QueueStatusTexts()
{
    static TTextCopies texts(
        {
            "MainForm_strRSSTResolving",
            "MainForm_strRSSTConnecting",
            "MainForm_strRSSTConnected",
            "MainForm_strRSSTDisconnecting",
            "MainForm_strRSSTDisconnected",
            "MainForm_strRSSTStartingTransfer",
            "MainForm_strRSSTTransfering",
            "MainForm_strRSFTPRemoteTransferStopped",
            "MainForm_strRSSTAwaitingTransfer",
            "MainForm_strRSSTTransferComplete",
            "MainForm_strRSSTPaused",
            kStatusSearchingDirectory,
            kStatusRemoteFileDoesntExist,
            kStatusNoFileWritePermission,
            kStatusNoDirWritePermission,
        },
        LangManager());
    return texts;
}

std::string QueueStatusText(TQueueItemStatus code)
{
    const auto index = static_cast<std::size_t>(code);
    if (index >= std::size(kCodeTexts) || kCodeTexts[index] == nullptr)
        return {};
    return QueueStatusTexts().Text(kCodeTexts[index]);
}
