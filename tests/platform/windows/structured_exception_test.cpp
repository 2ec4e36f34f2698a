#include <gtest/gtest.h>

#include "platform/com/structured_exception.h"

namespace {

void WriteToTheFirstPage(void*) {
  static volatile uintptr_t neverMapped = 16;
  *reinterpret_cast<volatile int*>(neverMapped) = 1;
}

TEST(ExceptionGuardTest, ACrashInTheBodyBecomesEFailAndTheGuardGoesOn) {
  int calls = 0;
  const auto count = [](void* c) { ++*static_cast<int*>(c); };
  EXPECT_EQ(RunWithExceptionGuard(count, &calls), S_OK);
  EXPECT_EQ(RunWithExceptionGuard(
                [](void* c) {
                  ++*static_cast<int*>(c);
                  WriteToTheFirstPage(nullptr);
                  ++*static_cast<int*>(c);
                },
                &calls),
            E_FAIL);
  EXPECT_EQ(calls, 2);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(RunWithExceptionGuard(WriteToTheFirstPage, nullptr), E_FAIL) << "again " << i;
  EXPECT_EQ(RunWithExceptionGuard(count, &calls), S_OK);
  EXPECT_EQ(calls, 3);
}

// The system's memory checks catch their own faults: inside the guard they must still answer,
// not end the guarded call.
TEST(ExceptionGuardTest, AFaultHandledInsideTheBodyStaysTheBodys) {
  struct Answers {
    BOOL unmapped = FALSE;
    BOOL readOnly = FALSE;
    bool finished = false;
  } answers;
  EXPECT_EQ(RunWithExceptionGuard(
                [](void* c) {
                  auto* a = static_cast<Answers*>(c);
                  a->unmapped = IsBadReadPtr(reinterpret_cast<const void*>(16), 4);
                  a->readOnly = IsBadWritePtr(reinterpret_cast<void*>(&IsBadWritePtr), 4);
                  a->finished = true;
                },
                &answers),
            S_OK);
  EXPECT_TRUE(answers.unmapped);
  EXPECT_TRUE(answers.readOnly);
  EXPECT_TRUE(answers.finished);
  EXPECT_TRUE(IsBadReadPtr(reinterpret_cast<const void*>(16), 4)) << "and after the guard";
}

TEST(ExceptionGuardTest, TheInnermostGuardAnswers) {
  HRESULT inner = S_OK;
  EXPECT_EQ(RunWithExceptionGuard(
                [](void* c) {
                  *static_cast<HRESULT*>(c) = RunWithExceptionGuard(WriteToTheFirstPage, nullptr);
                },
                &inner),
            S_OK);
  EXPECT_EQ(inner, E_FAIL);
  EXPECT_EQ(RunWithExceptionGuard(
                [](void*) {
                  (void)RunWithExceptionGuard([](void*) {}, nullptr);
                  WriteToTheFirstPage(nullptr);
                },
                nullptr),
            E_FAIL)
      << "after an inner guard has returned, the outer one still catches";
}

}  // namespace
