#pragma once
// A fresh data directory per test, with helpers to put fixtures in it and
// read files back byte for byte.

#include "hosts/Host.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

class THostsTestDir {
public:
    std::string Path() const { return dir_.path().toStdString(); }
    std::string File(const std::string& name) const { return Path() + "/" + name; }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(File(name), std::ios::binary) << text;
    }
    void CopyFixture(const std::string& fixture, const std::string& name) const
    {
        const std::string text = Read(std::string(TOVREL_FIXTURES_DIR) + "/hosts/" + fixture);
        ASSERT_FALSE(text.empty()) << fixture;
        Write(name, text);
    }

private:
    QTemporaryDir dir_;
};

// Readable failure output for host records.
inline void PrintTo(const THost& h, std::ostream* os)
{
    *os << "{" << h.CommonName << " " << h.Hostname << ":" << h.Port << " user=" << h.Username << " pw=" << h.Password
        << " anon=" << h.IsAnonymous << " remote=" << h.InitialRemoteDirectory << " local=" << h.InitialLocalDirectory
        << " id=" << h.HostID << " dialup=" << h.DialupConnection << "/" << h.UseDefaultDialupConnection << "/"
        << h.DisconnectDialupAfterDisconnect << " proxy=" << h.ProxySettings.ProxyType << "," << h.ProxySettings.Host
        << "," << h.ProxySettings.Port << "," << h.ProxySettings.UserName << "," << h.ProxySettings.Password << "/"
        << h.UseDefaultProxySettings << " passive=" << h.Passive << " ssl=" << h.UseSSL << " bookmarks=";
    for (const auto& b : h.Bookmarks())
        *os << b << ";";
    *os << "}";
}

// The attribute names of one element's start tag, in order.
inline std::vector<std::string> AttributeNames(const std::string& startTag)
{
    std::vector<std::string> names;
    bool quoted = false;
    for (std::size_t i = 0; i < startTag.size(); ++i) {
        if (startTag[i] == '"')
            quoted = !quoted;
        if (quoted || startTag[i] != '=')
            continue;
        std::size_t from = i;
        while (from > 0 && std::isalpha(static_cast<unsigned char>(startTag[from - 1])))
            --from;
        names.push_back(startTag.substr(from, i - from));
    }
    return names;
}
