#pragma once
// THostTreeNode: the host tree as plain data, as THosts::FillTree builds it
// and THosts::ReplaceFromTree reads it back: nodes with a caption, child
// nodes in order, and for host nodes their own copy of the host record.
// Group nodes (and the root) carry no record. The host manager window
// shows and edits it.

#include "hosts/Host.h"

#include <memory>
#include <string>
#include <vector>

struct THostTreeNode {
    std::string Caption;
    std::unique_ptr<THost> Host; // null for a group
    std::vector<std::unique_ptr<THostTreeNode>> Children;

    bool IsHost() const { return Host != nullptr; }

    THostTreeNode& AddGroup(std::string caption)
    {
        Children.push_back(std::make_unique<THostTreeNode>());
        Children.back()->Caption = std::move(caption);
        return *Children.back();
    }
    /// A node captioned with the host's CommonName, holding a copy of it.
    THostTreeNode& AddHost(const THost& host)
    {
        THostTreeNode& node = AddGroup(host.CommonName);
        node.Host = std::make_unique<THost>(host);
        return node;
    }
};
