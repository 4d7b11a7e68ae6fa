#pragma once
// TQueueItemStatus: where a queue item stands, with the status texts the
// queue shows. The code lives only in memory; the queue file does not keep it.

#include "session/TextCopies.h"

#include <cstdint>
#include <string>

enum TQueueItemStatus : std::uint8_t {
    qsResolving = 0,     // "Resolving hostname"
    qsConnecting = 1,    // "Connecting"
    qsConnected = 2,     // "Connected"
    qsDisconnecting = 3, // "Disconnecting"
    qsDisconnected = 4,  // "Disconnected"
    qsStarting = 5,      // "Starting transfer"; "Searching directory for files"
    qsEngineText = 6,    // empty
    qsTransferring = 7,  // empty (engine); "Transfering" (progress)
    qsEngineReady = 8,   // empty
    qsStopped = 9,       // empty (engine); "Transfer stopped." (stop)
    qsAssigned = 10,     // text unchanged
    qsAwaiting = 11,     // "Awaiting transfer"
    qsComplete = 12,     // "Transfer complete"
    qsPaused = 13,       // "Paused"
    qsFailed = 14,       // the error's short text, or one of the three failure texts
};

/// The program's copies of the queue's status texts, refreshed whenever
/// LangManager() loads a language. Thread-safe.
const TTextCopies& QueueStatusTexts();

/// The text one of the queue's own reports sets with `code`: the first text
/// of the list above, the progress text for qsTransferring and the stop
/// text for qsStopped; empty for codes without a text of their own (6, 8,
/// 10, 14).
std::string QueueStatusText(TQueueItemStatus code);

// Constants of the texts that are not the first of their code.
inline constexpr const char* kStatusSearchingDirectory = "MainForm_strRSSTSearchingDirectoryForFiles";
inline constexpr const char* kStatusRemoteFileDoesntExist = "MainForm_strRSSTRemoteFileDoesntExist";
inline constexpr const char* kStatusNoFileWritePermission = "MainForm_strRSSTNoFileWritePermission";
inline constexpr const char* kStatusNoDirWritePermission = "MainForm_strRSSTNoDirWritePermission";
