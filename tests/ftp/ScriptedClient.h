#pragma once
// An engine set up to log in to a scripted server as "user"/"secret",
// passive, with ten-second timeouts, logging in step by step.

#include "ftp/FTP.h"
#include "servers/ScriptedFtpServer.h"

#include <memory>

inline std::unique_ptr<TIdFTP> ScriptedClient(const ScriptedFtpServer& server)
{
    auto ftp = std::make_unique<TIdFTP>();
    ftp->Host = "127.0.0.1";
    ftp->Port = server.Port();
    ftp->Username = "user";
    ftp->Password = "secret";
    ftp->AutoLogin = false;
    ftp->Passive = true;
    ftp->ReadTimeout = 10000;
    ftp->TransferTimeout = 10000;
    return ftp;
}
