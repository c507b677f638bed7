#pragma once
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Whether entries of a tree (folders, registry keys) are there, asked of thousands of paths that share
// their first steps, as the detection of a community file asks. The first question below a node goes
// to the system; from the second on, the node's names are listed once and the answers come from the
// list, so that a missing vendor's folder or key below a common parent costs no call of its own (under
// Wine each call is a trip to the server, and a missing file name a read of its whole folder). A
// node that cannot be listed (too many names) is asked entry by entry. Names are compared folded, by
// the caller's folding; a path is its steps below the tree's root, which is always there. Portable.
class TreePresence {
public:
    // Whether the entry at the path is there.
    using Probe = std::function<bool(const std::string& path)>;
    // The names of the entries in the node at the path; none when it cannot be listed.
    using List = std::function<std::optional<std::vector<std::string>>(const std::string& path)>;
    using Fold = std::function<std::string(const std::string& name)>;

    TreePresence(Probe probe, List list, Fold fold);
    bool Exists(const std::vector<std::string>& steps);
    // The folded names in the node at the path, listed now if they were not; null when the node is not
    // there or cannot be listed.
    const std::vector<std::string>* Names(const std::vector<std::string>& steps);

private:
    struct Node {
        int asked = 0;
        bool listed = false;
        std::optional<std::vector<std::string>> names;  // sorted
    };
    bool Exists(const std::vector<std::string>& steps, size_t count);
    Node& Listed(const std::string& key, const std::vector<std::string>& steps, size_t count);
    std::string Key(const std::vector<std::string>& steps, size_t count) const;

    Probe m_probe;
    List m_list;
    Fold m_fold;
    std::unordered_map<std::string, bool> m_there;  // by folded path
    std::unordered_map<std::string, Node> m_nodes;  // by folded path
};

// The steps of a path joined by backslashes.
std::string JoinedSteps(const std::vector<std::string>& steps, size_t count);
