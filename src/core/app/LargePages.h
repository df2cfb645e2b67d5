// On a virtual machine the first touch of every 4 KiB page can cost as much as
// a thousand reads of memory; a short-lived process that fills a few megabytes
// (a search listing thousands of rows) spends most of its time there. Large
// pages take the same memory in a few touches.
#pragma once

#include <cstddef>

namespace vedra::app {

// Lets the next `bytes` of the heap be backed by large pages where the system
// allows them on request, and keeps allocations up to that size on the heap.
// Changes no result; a system without them keeps small pages. Returns whether
// the request was taken; once taken, a second call changes nothing and answers
// true.
bool PreferLargePagesForHeap(std::size_t bytes);

// For a process that searches again and again (the window): memory a search
// frees stays with the process for the next one, up to `bytes` at the top of the
// heap, and blocks up to `bytes` come from the heap rather than mappings of their
// own. Otherwise the allocator hands a long list's megabytes back when it goes
// and the next search takes every page again at a fault's price. The peak stays
// the same. Returns whether the allocator took it.
bool KeepFreedHeapForReuse(std::size_t bytes);

} // namespace vedra::app
