// FixedDeque: a ring buffer of fixed capacity, the planner family's sorted open list. A push
// into a full deque fails and changes nothing; insert and erase in the middle move the
// elements behind the position through a second buffer of the same capacity. AStarPlanner
// keeps a heap instead, which orders nodes the same way at a fraction of the cost; this class
// serves the literal reference planner in tests/pathfinding/ that proves it.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>

template <typename T>
class FixedDeque {
public:
    FixedDeque() = default;
    explicit FixedDeque(std::int32_t capacity) { allocate(capacity); }
    virtual ~FixedDeque() = default;
    FixedDeque(const FixedDeque&) = delete;
    FixedDeque& operator=(const FixedDeque&) = delete;

    void allocate(std::int32_t capacity);  // replaces both buffers and empties; below 0 counts as 0
    void clear();                          // empties, keeps the buffers

    std::int32_t capacity() const { return capacity_; }
    std::int32_t size() const;
    bool empty() const { return empty_; }
    bool full() const { return size() == capacity_; }

    T& at(std::int32_t i);  // position i counted from the front; i must lie in 0..size() - 1
    const T& at(std::int32_t i) const;
    T& back() { return buffer_[slot(size() - 1)]; }  // the deque must not be empty

    bool push_back(const T& value);               // false when full
    bool push_front(const T& value);              // false when full
    void pop_back();                              // does nothing on an empty deque
    void pop_front();                             // does nothing on an empty deque
    bool insert(std::int32_t i, const T& value);  // i in 0..size(); false when full or i outside
    bool erase(std::int32_t i);                   // i in 0..size() - 1; false outside

private:
    std::int32_t slot(std::int32_t i) const { return (head_ + i) % capacity_; }

    std::unique_ptr<T[]> buffer_;
    std::unique_ptr<T[]> spare_;  // holds the moved part during insert and erase
    std::int32_t capacity_ = 0;
    std::int32_t head_ = 0;  // slot of the front element
    std::int32_t tail_ = 0;  // slot after the back element (equal to head_ when empty or full)
    bool empty_ = true;
};

template <typename T>
void FixedDeque<T>::allocate(std::int32_t capacity)
{
    capacity_ = std::max(capacity, 0);
    buffer_ = std::make_unique<T[]>(static_cast<std::size_t>(capacity_));
    spare_ = std::make_unique<T[]>(static_cast<std::size_t>(capacity_));
    clear();
}

template <typename T>
void FixedDeque<T>::clear()
{
    head_ = tail_ = 0;
    empty_ = true;
}

template <typename T>
std::int32_t FixedDeque<T>::size() const
{
    if (empty_) return 0;
    const std::int32_t used = (tail_ - head_ + capacity_) % capacity_;
    return used == 0 ? capacity_ : used;
}

template <typename T>
T& FixedDeque<T>::at(std::int32_t i)
{
    return buffer_[slot(i)];
}

template <typename T>
const T& FixedDeque<T>::at(std::int32_t i) const
{
    return buffer_[slot(i)];
}

template <typename T>
bool FixedDeque<T>::push_back(const T& value)
{
    if (full()) return false;
    buffer_[tail_] = value;
    tail_ = (tail_ + 1) % capacity_;
    empty_ = false;
    return true;
}

template <typename T>
bool FixedDeque<T>::push_front(const T& value)
{
    if (full()) return false;
    head_ = (head_ - 1 + capacity_) % capacity_;
    buffer_[head_] = value;
    empty_ = false;
    return true;
}

template <typename T>
void FixedDeque<T>::pop_back()
{
    if (empty_) return;
    tail_ = (tail_ - 1 + capacity_) % capacity_;
    empty_ = tail_ == head_;
}

template <typename T>
void FixedDeque<T>::pop_front()
{
    if (empty_) return;
    head_ = (head_ + 1) % capacity_;
    empty_ = tail_ == head_;
}

template <typename T>
bool FixedDeque<T>::insert(std::int32_t i, const T& value)
{
    const std::int32_t count = size();
    if (i < 0 || i > count || full()) return false;
    const std::int32_t moved = count - i;
    for (std::int32_t k = 0; k < moved; ++k) spare_[k] = buffer_[slot(i + k)];
    tail_ = (tail_ + 1) % capacity_;
    empty_ = false;
    buffer_[slot(i)] = value;
    for (std::int32_t k = 0; k < moved; ++k) buffer_[slot(i + 1 + k)] = spare_[k];
    return true;
}

template <typename T>
bool FixedDeque<T>::erase(std::int32_t i)
{
    const std::int32_t count = size();
    if (i < 0 || i >= count) return false;
    const std::int32_t moved = count - i - 1;
    for (std::int32_t k = 0; k < moved; ++k) spare_[k] = buffer_[slot(i + 1 + k)];
    for (std::int32_t k = 0; k < moved; ++k) buffer_[slot(i + k)] = spare_[k];
    pop_back();
    return true;
}
