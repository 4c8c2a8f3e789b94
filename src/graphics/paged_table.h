// A table of Count entries indexed by number that takes memory only for the pages in use. The
// display's per-sprite tables span all 65 536 sprite ids, of which a game uses a few hundred at
// the low end and the font ids at the top: as flat arrays they cost megabytes of cleared memory
// at start-up. Here an entry's page (PageSize entries, each holding T's defaults) is made the
// first time the entry is written; reading an entry whose page was never made gives the
// defaults without making it. Every lookup is two array steps.
#pragma once
#include <array>
#include <cstddef>
#include <memory>

template <typename T, int Count, int PageSize = 256>
class PagedTable {
    static_assert(Count > 0 && PageSize > 0 && Count % PageSize == 0,
                  "the table is a whole number of pages");

public:
    static constexpr int size = Count;

    // The entry for writing; its page is made (every entry at T's defaults) on first use.
    // index: 0..Count-1.
    T& operator[](int index)
    {
        std::unique_ptr<Page>& page = pages_[static_cast<std::size_t>(index / PageSize)];
        if (!page) page = std::make_unique<Page>();
        return (*page)[static_cast<std::size_t>(index % PageSize)];
    }

    // The entry for reading; T's defaults where its page was never made. index: 0..Count-1.
    const T& operator[](int index) const
    {
        const std::unique_ptr<Page>& page = pages_[static_cast<std::size_t>(index / PageSize)];
        return page ? (*page)[static_cast<std::size_t>(index % PageSize)] : empty_entry;
    }
    const T& get(int index) const { return (*this)[index]; }

    // The entry when its page was made, else null; makes nothing. index: 0..Count-1.
    T* find(int index)
    {
        const std::unique_ptr<Page>& page = pages_[static_cast<std::size_t>(index / PageSize)];
        return page ? &(*page)[static_cast<std::size_t>(index % PageSize)] : nullptr;
    }

    // Calls visit(index, entry) for every entry of the pages made, in index order.
    template <typename Visit>
    void for_each_made(Visit visit)
    {
        for (std::size_t p = 0; p < pages_.size(); ++p) {
            if (!pages_[p]) continue;
            for (std::size_t i = 0; i < PageSize; ++i) {
                visit(static_cast<int>(p * PageSize + i), (*pages_[p])[i]);
            }
        }
    }

    // Drops every page: all entries read as T's defaults again.
    void clear()
    {
        for (std::unique_ptr<Page>& page : pages_) page.reset();
    }

    int pages_made() const
    {
        int n = 0;
        for (const std::unique_ptr<Page>& page : pages_) n += page ? 1 : 0;
        return n;
    }

private:
    using Page = std::array<T, PageSize>;
    static inline const T empty_entry{};
    std::array<std::unique_ptr<Page>, Count / PageSize> pages_;
};
