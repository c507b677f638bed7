#include "cleaners/tree_presence.h"
#include <algorithm>

std::string JoinedSteps(const std::vector<std::string>& steps, size_t count)
{
    std::string path;
    for (size_t i = 0; i < count; ++i) path += (i ? "\\" : "") + steps[i];
    return path;
}

TreePresence::TreePresence(Probe probe, List list, Fold fold)
    : m_probe(std::move(probe)), m_list(std::move(list)), m_fold(std::move(fold))
{
}

std::string TreePresence::Key(const std::vector<std::string>& steps, size_t count) const
{
    return m_fold(JoinedSteps(steps, count));
}

bool TreePresence::Exists(const std::vector<std::string>& steps) { return Exists(steps, steps.size()); }

bool TreePresence::Exists(const std::vector<std::string>& steps, size_t count)
{
    if (count == 0) return true;
    const std::string key = Key(steps, count);
    if (const auto known = m_there.find(key); known != m_there.end()) return known->second;
    bool there = Exists(steps, count - 1);
    if (there) {
        const std::string parentKey = Key(steps, count - 1);
        Node& parent = m_nodes[parentKey];
        if (!parent.listed && parent.asked++ > 0) Listed(parentKey, steps, count - 1);
        if (parent.names)
            there = std::binary_search(parent.names->begin(), parent.names->end(), m_fold(steps[count - 1]));
        else
            there = m_probe(JoinedSteps(steps, count));
    }
    m_there.emplace(key, there);
    return there;
}

TreePresence::Node& TreePresence::Listed(const std::string& key, const std::vector<std::string>& steps, size_t count)
{
    Node& node = m_nodes[key];
    if (node.listed) return node;
    node.listed = true;
    node.names = m_list(JoinedSteps(steps, count));
    if (node.names) {
        for (std::string& name : *node.names) name = m_fold(name);
        std::sort(node.names->begin(), node.names->end());
    }
    return node;
}

const std::vector<std::string>* TreePresence::Names(const std::vector<std::string>& steps)
{
    if (!Exists(steps)) return nullptr;
    const Node& node = Listed(Key(steps, steps.size()), steps, steps.size());
    return node.names ? &*node.names : nullptr;
}
