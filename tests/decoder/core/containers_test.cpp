#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "decoder/core/containers/array.h"
#include "decoder/core/containers/ballot_box.h"
#include "decoder/core/containers/binary_heap.h"
#include "decoder/core/containers/bit_iterator.h"
#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/containers/dynamic_stack_interface.h"
#include "decoder/core/containers/memory.h"
#include "decoder/core/containers/object_arena.h"
#include "decoder/core/containers/ring_stack_interface.h"
#include "decoder/core/location/searched_region_stack.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/containers/variable_size_virtual_table.h"

namespace DEC2DIvra {
namespace {

TEST(ContainersTest, StackRefusesPastItsCapacityAndPopsInOrder)
{
    int buffer[3] = {};
    StackInterface<int> stack(buffer, 3);
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_EQ(stack.GetTopIndex(), -1);
    EXPECT_TRUE(stack.Push(1));
    EXPECT_TRUE(stack.Push(2));
    EXPECT_TRUE(stack.Push(3));
    EXPECT_FALSE(stack.Push(4));
    EXPECT_EQ(buffer[2], 3);  // nothing written past the window
    EXPECT_EQ(stack.GetTop(), 3);
    int v = 0;
    EXPECT_TRUE(stack.Pop(v));
    EXPECT_EQ(v, 3);
    EXPECT_FALSE(stack.SetCount(4));
    stack.Clear();
    EXPECT_FALSE(stack.Pop());
    StackInterface<int> none;
    EXPECT_FALSE(none.Push(1));
    EXPECT_EQ(none.PushSlot(), nullptr);
}

TEST(ContainersTest, RingOverwritesItsOldestEntry)
{
    int buffer[3] = {};
    RingStackInterface<int> ring(buffer, 3);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_TRUE(ring.Push(i));
    }
    ASSERT_EQ(ring.GetCount(), 3u);
    EXPECT_EQ(ring[0], 3);
    EXPECT_EQ(ring[1], 4);
    EXPECT_EQ(ring[2], 5);
    EXPECT_EQ(ring.GetOldest(), 3);
    EXPECT_EQ(ring.GetNewest(), 5);
    EXPECT_TRUE(ring.PopNewest());
    EXPECT_TRUE(ring.Push(6));
    EXPECT_EQ(ring[0], 3);
    EXPECT_EQ(ring[2], 6);
    RingStackInterface<int> empty;
    EXPECT_FALSE(empty.Push(1));
}

int Ascending(int const& a, int const& b) { return b - a; }
int Descending(int const& a, int const& b) { return a - b; }

TEST(ContainersTest, HeapSortOrdersByTheComparison)
{
    int items[] = {5, -3, 9, 9, 0, 12, -7, 4, 1};
    DecMath::HeapSort(items, 9, &Ascending);
    int const ascending[] = {-7, -3, 0, 1, 4, 5, 9, 9, 12};
    EXPECT_EQ(0, std::memcmp(items, ascending, sizeof(items)));
    DecMath::HeapSort(items, 9, &Descending);
    int const descending[] = {12, 9, 9, 5, 4, 1, 0, -3, -7};
    EXPECT_EQ(0, std::memcmp(items, descending, sizeof(items)));

    // The heap keeps the maximum on top with compare = b - a, and refuses
    // pushes past the buffer and pops of an empty heap.
    int heapItems[] = {3, 8, 1};
    BinaryHeap<int> heap(heapItems, 3, &Ascending);
    EXPECT_TRUE(heap.Push());
    EXPECT_TRUE(heap.Push());
    EXPECT_TRUE(heap.Push());
    EXPECT_FALSE(heap.Push());
    EXPECT_EQ(*heap.GetTop(), 8);
    EXPECT_TRUE(heap.Pop());
    EXPECT_EQ(heapItems[2], 8);
    EXPECT_TRUE(heap.Pop());
    EXPECT_TRUE(heap.Pop());
    EXPECT_FALSE(heap.Pop());
}

TEST(ContainersTest, BallotBoxSharesCountsAndDropsVotesWhenFull)
{
    BallotBox<Wrapper<unsigned>, unsigned>::Entry entries[3];
    BallotBox<Wrapper<unsigned>, unsigned> box(entries, 3);
    EXPECT_TRUE(box.Push(Wrapper<unsigned>{7}, 1));
    EXPECT_TRUE(box.Push(Wrapper<unsigned>{9}, 2));
    EXPECT_TRUE(box.Push(Wrapper<unsigned>{7}, 3));
    EXPECT_TRUE(box.Push(Wrapper<unsigned>{1}, 1));
    EXPECT_FALSE(box.Push(Wrapper<unsigned>{2}, 10));
    box.Sort();
    ASSERT_EQ(box.GetCount(), 3u);
    EXPECT_EQ(box[0].value.value, 7u);
    EXPECT_EQ(box[0].count, 4u);
    EXPECT_EQ(box[1].value.value, 9u);
    EXPECT_EQ(box[2].value.value, 1u);
}

TEST(ContainersTest, MemoryDeleteAndInsertMoveElementsWithinBounds)
{
    unsigned short words[5] = {10, 20, 30, 40, 50};
    ASSERT_TRUE(Memory::Delete(words, sizeof(words), 2, 1));
    unsigned short const afterDelete[5] = {10, 30, 40, 50, 0};
    EXPECT_EQ(0, std::memcmp(words, afterDelete, sizeof(words)));
    unsigned short const item = 99;
    ASSERT_TRUE(Memory::Insert(words, sizeof(words), 2, 0, &item));
    unsigned short const afterInsert[5] = {99, 10, 30, 40, 50};
    EXPECT_EQ(0, std::memcmp(words, afterInsert, sizeof(words)));
    ASSERT_TRUE(Memory::Insert(words, sizeof(words), 2, 4, &item));
    EXPECT_EQ(words[4], 99);

    // Refusals leave the buffer untouched.
    unsigned short const before[5] = {words[0], words[1], words[2], words[3], words[4]};
    EXPECT_FALSE(Memory::Delete(words, sizeof(words), 2, 5));
    EXPECT_FALSE(Memory::Delete(words, sizeof(words), 2, -1));
    EXPECT_FALSE(Memory::Delete(words, 9, 2, 0));
    EXPECT_FALSE(Memory::Insert(words, sizeof(words), 2, 5, &item));
    EXPECT_FALSE(Memory::Insert(words, sizeof(words), 0, 0, &item));
    EXPECT_EQ(0, std::memcmp(words, before, sizeof(words)));

    unsigned char const a[] = {1, 2, 3};
    unsigned char const b[] = {1, 2, 7};
    EXPECT_EQ(Memory::BiggerCompare(a, b, 3), -4);
    EXPECT_EQ(Memory::BiggerCompare(a, b, 2), 0);
    char text[4];
    EXPECT_FALSE(Memory::StringCopy(text, 4, "]C12"));
    EXPECT_STREQ(text, "]C1");
    EXPECT_TRUE(Memory::StringCopy(text, 4, "ab"));
    EXPECT_STREQ(text, "ab");
    unsigned word = 0;
    Memory::SetBit(word, 31, true);
    Memory::SetBit(word, 3, true);
    Memory::SetBit(word, 3, false);
    Memory::SetBit(word, 40, true);
    EXPECT_EQ(word, 0x80000000u);
    EXPECT_TRUE(Memory::GetBit(word, 31));
    EXPECT_FALSE(Memory::GetBit(word, 32));
}

TEST(ContainersTest, BitIteratorReadsMostSignificantFirstAndRefusesPastTheEnd)
{
    unsigned short const codewords[] = {0xA5, 0x0F, 0x1FF};
    BitIterator<unsigned short, 8> bits(codewords, 3);
    EXPECT_EQ(bits.GetMask(), 128u);
    unsigned value = 0;
    ASSERT_TRUE(bits.Read(4, value));
    EXPECT_EQ(value, 0xAu);
    ASSERT_TRUE(bits.Read(8, value));
    EXPECT_EQ(value, 0x50u);
    EXPECT_EQ(bits.GetRemaining(), 12u);
    ASSERT_TRUE(bits.Read(6, value));
    EXPECT_EQ(value, 0x3Fu);  // the low bits of 0x0F then the high bits of 0xFF (bit 8 is not read)
    EXPECT_FALSE(bits.Read(7, value));  // only 6 left: refused, nothing consumed
    EXPECT_EQ(value, 0x3Fu);
    ASSERT_TRUE(bits.Read(6, value));
    EXPECT_TRUE(bits.IsEnd());
    bool bit = false;
    EXPECT_FALSE(bits.ReadBit(bit));
    BitIterator<unsigned short, 8> empty(codewords, 0u);
    EXPECT_FALSE(empty.ReadBit(bit));
}

TEST(ContainersTest, TablesPoolsAndSlicesStayInsideTheirWindows)
{
    int cells[12] = {};
    VariableSizeVirtualTable<int> table(cells, 12);
    EXPECT_TRUE(table.Resize(4, 3));
    EXPECT_FALSE(table.Resize(5, 3));
    EXPECT_EQ(table.GetWidth(), 4u);
    table.At(3, 2) = 7;
    EXPECT_EQ(cells[11], 7);
    EXPECT_TRUE(table.IsInside(3, 2));
    EXPECT_FALSE(table.IsInside(4, 0));
    EXPECT_FALSE(table.Resize(0x10000, 0x10000));

    int poolBuffer[10] = {};
    VariableLengthVirtualArray<int> pool(poolBuffer, 10);
    DynamicStackInterface<int> first;
    DynamicStackInterface<int> second;
    EXPECT_TRUE(first.Attach(pool, 6));
    EXPECT_FALSE(second.Attach(pool, 5));
    EXPECT_EQ(second.GetCapacity(), 0u);
    EXPECT_TRUE(second.Attach(pool, 4));
    EXPECT_EQ(second.GetFirst(), poolBuffer + 6);

    alignas(8) unsigned char area[64];
    SharedMemoryDistributor distributor(area, 64, 3);
    VirtualArray<unsigned> const words = distributor.TakeArray<unsigned>(4);
    ASSERT_EQ(words.GetCount(), 4u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(words.GetData()) % alignof(unsigned), 0u);
    EXPECT_GE(reinterpret_cast<unsigned char*>(words.GetData()), area + 3);
    EXPECT_EQ(distributor.TakeArray<unsigned>(100).GetCount(), 0u);
    EXPECT_TRUE(distributor.HasFailed());
    EXPECT_LE(distributor.GetOffset(), 64u);
    EXPECT_EQ(words.Slice(2, 3).GetCount(), 0u);
    EXPECT_EQ(words.Slice(2, 2).GetData(), words.GetData() + 2);

    Array<int, 4> fixed;
    EXPECT_EQ(fixed.GetCount(), 4u);
    EXPECT_EQ(fixed.CreateStack().GetCapacity(), 4u);
}

TEST(ContainersTest, ObjectArenaBuildsInPlaceAndDestroysNewestFirst)
{
    static int order[4];
    static int destroyed;
    destroyed = 0;
    struct Probe {
        explicit Probe(int id_) : id(id_) {}
        ~Probe() { order[destroyed++] = id; }
        int id;
    };
    alignas(16) unsigned char memory[64];
    {
        ObjectArena arena(memory, sizeof(memory));
        Probe* a = arena.Build<Probe>(1);
        Probe* b = arena.Build<Probe>(2);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_GE(reinterpret_cast<unsigned char*>(a), memory);
        EXPECT_LT(reinterpret_cast<unsigned char*>(b), memory + sizeof(memory));
        struct Big {
            unsigned char bytes[100];
        };
        EXPECT_EQ(arena.Build<Big>(), nullptr);
        EXPECT_EQ(arena.GetObjectCount(), 2u);
    }
    ASSERT_EQ(destroyed, 2);
    EXPECT_EQ(order[0], 2);
    EXPECT_EQ(order[1], 1);
}

TEST(ContainersTest, SearchedRegionsAnswerForPointsAndCentres)
{
    Region regions[2];
    SearchedRegionStack stack(VirtualArray<Region>(regions, 2));
    Region square;
    square.corner[0] = {10, 10};
    square.corner[1] = {30, 10};
    square.corner[2] = {30, 30};
    square.corner[3] = {10, 30};
    EXPECT_FALSE(stack.IsIncluded(Point{20, 20}));
    ASSERT_TRUE(stack.Push(square));
    EXPECT_TRUE(stack.IsIncluded(Point{20, 20}));
    EXPECT_TRUE(stack.IsIncluded(Point{30, 30}));
    EXPECT_FALSE(stack.IsIncluded(Point{31, 20}));
    Region shifted = square;
    for (Point& p : shifted.corner) {
        p.x += 15;  // centre (35, 20) lies outside
    }
    EXPECT_FALSE(stack.IsIncluded(shifted));
    for (Point& p : shifted.corner) {
        p.x -= 10;  // centre (25, 20) inside
    }
    EXPECT_TRUE(stack.IsIncluded(shifted));
    EXPECT_TRUE(stack.Push(shifted));
    EXPECT_FALSE(stack.Push(shifted));
    stack.Clear();
    EXPECT_FALSE(stack.IsIncluded(Point{20, 20}));
}

}  // namespace
}  // namespace DEC2DIvra
