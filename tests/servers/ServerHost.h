#pragma once
// A host record that logs in to a test server as its test user, passive.

#include "servers/TestServers.h"
#include "hosts/Host.h"

inline THost HostFor(const TestFtpServer& server)
{
    THost host;
    host.Hostname = "127.0.0.1";
    host.Port = server.Port();
    host.Username = server.User();
    host.Password = server.Password();
    host.Passive = true;
    return host;
}
