#include <gtest/gtest.h>

#include <vector>

#include "engine/core/dyn_array.h"
#include "engine/core/text/symbol_queue.h"

namespace {

TEST(DynArrayTest, GrowthRuleGivesTheDocumentedCapacities) {
  const struct {
    int32_t from, to;
  } cases[] = {{0, 1}, {1, 2}, {2, 4}, {3, 5}, {32, 49}, {49, 74}, {15000, 22501}};
  for (const auto& c : cases) {
    EXPECT_EQ(GrownCapacity(c.from, kDefaultGrowth), c.to) << "from " << c.from;
  }
  EXPECT_EQ(GrownCapacity(2000000000, kDefaultGrowth), -1) << "overflow is refused";
}

TEST(DynArrayTest, AppendGrowsByTheRuleAndReturnsIndices) {
  DynArray* array = DynArrayCreate(2, 0, kDefaultGrowth);
  ASSERT_NE(array, nullptr);
  std::vector<int32_t> capacities;
  for (int32_t i = 0; i < 6; ++i) {
    const int32_t row[2] = {i, -i};
    EXPECT_EQ(DynArrayAppend(array, row), i);
    capacities.push_back(array->capacity);
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{1, 2, 4, 4, 7, 7}));
  for (int32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(DynArrayRow(array, i)[0], i);
    EXPECT_EQ(DynArrayRow(array, i)[1], -i);
  }
  DynArrayRelease(array);
}

TEST(DynArrayTest, RemoveLastClearWriteRowAndReserve) {
  DynArray* array = DynArrayCreate(1, 3, kDefaultGrowth);
  for (int32_t v : {7, 8, 9})
    DynArrayAppend(array, &v);
  const int32_t* removed = DynArrayRemoveLast(array);
  EXPECT_EQ(*removed, 9);
  EXPECT_EQ(array->count, 2);
  const int32_t five = 5;
  DynArrayWriteRow(array, &five, 0);
  EXPECT_EQ(DynArrayRow(array, 0)[0], 5);
  EXPECT_EQ(array->count, 2);

  EXPECT_EQ(DynArrayReserve(array, 2), 0);
  EXPECT_EQ(array->capacity, 3) << "n below capacity changes nothing";
  EXPECT_EQ(DynArrayReserve(array, 10), 0);
  EXPECT_EQ(array->capacity, 10) << "n above capacity sets it exactly";
  EXPECT_EQ(DynArrayReserve(array, 0), 0);
  EXPECT_EQ(array->capacity, 16) << "n = 0 grows by the rule";
  EXPECT_EQ(DynArrayRow(array, 1)[0], 8);

  DynArrayClear(array);
  EXPECT_EQ(array->count, 0);
  EXPECT_EQ(array->capacity, 16);
  DynArrayRelease(array);
}

TEST(DynArrayTest, FindComparesRowsWordByWordAsSignedIntegers) {
  const int32_t rows[] = {-5, 0, 1, 2, 1, 3, 1, 9, 7, -1};  // sorted, width 2
  DynArray* view = DynArrayCreateView(rows, 2, 5);
  ASSERT_NE(view, nullptr);
  const struct {
    int32_t key[2];
    int32_t row;
  } cases[] = {{{-5, 0}, 0}, {{1, 2}, 1},  {{1, 3}, 2},   {{1, 9}, 3},
               {{7, -1}, 4}, {{1, 4}, -1}, {{-6, 0}, -1}, {{8, 0}, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(DynArrayFind(view, c.key), c.row) << c.key[0] << "," << c.key[1];
  }
  DynArrayRelease(view);

  DynArray* empty = DynArrayCreate(2, 4, kDefaultGrowth);
  const int32_t key[2] = {0, 0};
  EXPECT_EQ(DynArrayFind(empty, key), -1);
  DynArrayRelease(empty);
}

TEST(DynArrayTest, ViewsAreReadOnlyAndReleaseOnlyTheRecord) {
  int32_t rows[] = {1, 2, 3};
  DynArray* view = DynArrayCreateView(rows, 1, 3);
  EXPECT_EQ(view->growth, -1.0f);
  EXPECT_EQ(view->count, 3);
  EXPECT_EQ(view->capacity, 3);
  const int32_t four = 4;
  EXPECT_EQ(DynArrayAppend(view, &four), -1);
  EXPECT_EQ(DynArrayReserve(view, 10), -1);
  EXPECT_EQ(view->capacity, 3);
  DynArrayRelease(view);  // rows are on the stack: freeing them would crash under the sanitizer
  EXPECT_EQ(rows[2], 3);
}

TEST(DynArrayTest, CreateRefusesImpossibleShapes) {
  EXPECT_EQ(DynArrayCreate(0, 4, kDefaultGrowth), nullptr);
  EXPECT_EQ(DynArrayCreate(1, -1, kDefaultGrowth), nullptr);
  EXPECT_EQ(SymbolQueueCreate(0, 4), nullptr);
}

std::vector<int32_t> Drain(SymbolQueue* queue) {
  std::vector<int32_t> out;
  while (!SymbolQueueIsEmpty(queue))
    out.push_back(*SymbolQueuePop(queue));
  return out;
}

TEST(SymbolQueueTest, KeepsOrderAcrossTheWrapPoint) {
  SymbolQueue* queue = SymbolQueueCreate(1, 4);
  for (int32_t v : {1, 2, 3})
    SymbolQueuePush(queue, &v);
  EXPECT_EQ(*SymbolQueuePop(queue), 1);
  EXPECT_EQ(*SymbolQueuePop(queue), 2);
  for (int32_t v : {4, 5, 6})
    SymbolQueuePush(queue, &v);  // tail wraps to the front
  EXPECT_EQ(queue->tail, 2);
  EXPECT_EQ(Drain(queue), (std::vector<int32_t>{3, 4, 5, 6}));
  EXPECT_EQ(queue->head, queue->tail);
  EXPECT_EQ(queue->empty, 1);
  SymbolQueueRelease(queue);
}

TEST(SymbolQueueTest, GrowingAFullWrappedQueuePrintsOnceAndKeepsOrder) {
  SymbolQueue* queue = SymbolQueueCreate(1, 4);
  for (int32_t v : {1, 2, 3, 4})
    SymbolQueuePush(queue, &v);
  SymbolQueuePop(queue);
  SymbolQueuePop(queue);
  for (int32_t v : {5, 6})
    SymbolQueuePush(queue, &v);  // full again, head = tail = 2
  ASSERT_EQ(queue->head, 2);
  ASSERT_EQ(queue->tail, 2);
  ASSERT_EQ(queue->empty, 0);

  testing::internal::CaptureStdout();
  const int32_t seven = 7;
  EXPECT_EQ(SymbolQueuePush(queue, &seven), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "DO REALLOC\n");
  EXPECT_EQ(queue->capacity, 7);
  EXPECT_EQ(queue->head, 5) << "head moves by new capacity - old capacity";

  testing::internal::CaptureStdout();
  const int32_t eight = 8;
  SymbolQueuePush(queue, &eight);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no growth while there is room";
  EXPECT_EQ(Drain(queue), (std::vector<int32_t>{3, 4, 5, 6, 7, 8}));
  SymbolQueueRelease(queue);
}

TEST(SymbolQueueTest, ClearEmptiesAndAZeroCapacityQueueGrows) {
  SymbolQueue* queue = SymbolQueueCreate(1, 0);
  testing::internal::CaptureStdout();
  for (int32_t v : {1, 2, 3})
    SymbolQueuePush(queue, &v);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(queue->capacity, 4);  // 0 -> 1 -> 2 -> 4
  EXPECT_EQ(printed, "DO REALLOC\nDO REALLOC\nDO REALLOC\n");
  EXPECT_EQ(Drain(queue), (std::vector<int32_t>{1, 2, 3}));
  const int32_t nine = 9;
  SymbolQueuePush(queue, &nine);
  SymbolQueueClear(queue);
  EXPECT_TRUE(SymbolQueueIsEmpty(queue));
  EXPECT_EQ(queue->head, 0);
  EXPECT_EQ(queue->tail, 0);
  SymbolQueueRelease(queue);
}

}  // namespace
