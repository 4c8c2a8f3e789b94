// The node pool and the closed-set hash table of the grid planners.
#include "pathfinding/search_nodes.h"

#include <algorithm>

void NodeFactory::allocate(std::int32_t capacity)
{
    capacity_ = std::max(capacity, 0);
    // Default-initialised: the nodes are written when handed out, so the block's pages are
    // touched only as far as a search gets.
    nodes_.reset(new Node[static_cast<std::size_t>(capacity_)]);
    handed_out_ = 0;
}

void NodeFactory::release()
{
    nodes_.reset();
    capacity_ = 0;
    handed_out_ = 0;
}

void NodeHashTable::allocate(std::int32_t hash_bits)
{
    bits_ = std::clamp(hash_bits, 0, 24) & ~1;
    mask_ = (1u << (bits_ / 2)) - 1;
    buckets_.assign(std::size_t{1} << bits_, nullptr);
}

void NodeHashTable::clear()
{
    std::fill(buckets_.begin(), buckets_.end(), nullptr);
}

std::int32_t NodeHashTable::bucket_of(std::int32_t x, std::int32_t y) const
{
    const std::uint32_t low_x = static_cast<std::uint32_t>(x) & mask_;
    const std::uint32_t low_y = static_cast<std::uint32_t>(y) & mask_;
    return static_cast<std::int32_t>(low_x | (low_y << (bits_ / 2)));
}

void NodeHashTable::insert(Node* node)
{
    Node*& head = buckets_[static_cast<std::size_t>(bucket_of(node->x, node->y))];
    for (const Node* n = head; n != nullptr; n = n->next_in_bucket) {
        if (n == node) return;
    }
    node->next_in_bucket = head;
    head = node;
}

Node* NodeHashTable::find(std::int32_t x, std::int32_t y) const
{
    Node* n = buckets_[static_cast<std::size_t>(bucket_of(x, y))];
    while (n != nullptr && (n->x != x || n->y != y)) n = n->next_in_bucket;
    return n;
}

bool NodeHashTable::remove(Node* node)
{
    Node** link = &buckets_[static_cast<std::size_t>(bucket_of(node->x, node->y))];
    while (*link != nullptr && *link != node) link = &(*link)->next_in_bucket;
    if (*link == nullptr) return false;
    *link = node->next_in_bucket;
    node->next_in_bucket = nullptr;
    return true;
}
