#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/core/text/bimachine.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"
#include "tests/support/grammar_files.h"

using namespace brelvox::test;

namespace {

constexpr int32_t C = kCatchAllOutput;
constexpr int32_t P = 0x10010;  // a protected marker
constexpr int32_t Q = 0x10011;

struct ArrayDeleter {
  void operator()(DynArray* a) const { DynArrayRelease(a); }
};
using Array = std::unique_ptr<DynArray, ArrayDeleter>;

Array Stream(const std::vector<int32_t>& values) {
  Array array(DynArrayCreate(1, 4, kDefaultGrowth));
  for (int32_t v : values)
    DynArrayAppend(array.get(), &v);
  return array;
}

std::vector<int32_t> Values(const DynArray* array) {
  return std::vector<int32_t>(array->data, array->data + array->count);
}

Transducer* Load(const TransducerSpec& spec) {
  const std::vector<int32_t> file = TransducerFile(spec);
  static std::vector<std::vector<int32_t>> keep;  // the image must outlive the machine
  keep.push_back(file);
  ByteReader reader = ReaderOver(keep.back());
  return LoadTransducer(&reader);
}

std::vector<int32_t> Rewrite(const TransducerSpec& spec, const std::vector<int32_t>& input) {
  Transducer* t = Load(spec);
  EXPECT_NE(t, nullptr);
  if (t == nullptr) return {};
  Array in = Stream(input);
  Array out = Stream({});
  SymbolQueue* queue = SymbolQueueCreate(1, 2);
  RunTransducer(*t, in.get(), out.get(), queue);
  SymbolQueueRelease(queue);
  FreeTransducer(t);
  return Values(out.get());
}

TransducerSpec Copier() {
  return TransducerBuilder({-1}).Build(1);
}

// Rewrites 'a' to 'z' and copies everything else.
TransducerSpec AToZ() {
  TransducerBuilder b({-1, 'a', 'z'});
  b.Transition(0, 'a', 0, {'z'});
  return b.Build(1);
}

TEST(TransducerTest, CopiesAndRewritesThroughTheQueue) {
  EXPECT_EQ(Rewrite(Copier(), {5, 'x', 0x10000}), (std::vector<int32_t>{5, 'x', 0x10000}));
  EXPECT_EQ(Rewrite(AToZ(), {'b', 'a', 'c'}), (std::vector<int32_t>{'b', 'z', 'c'}));

  // Nothing on the first symbol, both queued symbols on the second: copied one step late.
  TransducerBuilder late({-1});
  late.CatchAll(0, 1, {});
  late.CatchAll(1, 2, {C, C});
  EXPECT_EQ(Rewrite(late.Build(3), {7, 8, 9}), (std::vector<int32_t>{7, 8, 9}));
}

TEST(TransducerTest, TheSymbolMinusOneIsNotQueuedOnItsOwnRow) {
  // -1 takes the catch-all row as its own row: nothing is queued, and the catch-all entry of the
  // list finds the queue empty, which during the pass emits nothing.
  EXPECT_EQ(Rewrite(Copier(), {-1, 5}), (std::vector<int32_t>{5}));
  // Without -1 in the alphabet the catch-all class is -1 and unknown symbols still get class 0.
  // The catch-all row of state 0 is then row 0 itself, whose next state is also the start of the
  // final list (here empty).
  TransducerSpec spec;
  spec.alphabet = {'a', 'b'};
  spec.rows = {{-2, 0, 0}, {0, 0, 1}, {1, 0, 3}};
  spec.outputs = {-1, 1, -1, 0, -1};  // nothing; 'a' -> 'b'; 'b' -> 'a'
  EXPECT_EQ(Rewrite(spec, {'a', 'b', 'q'}), (std::vector<int32_t>{'b', 'a', 'b'}));
}

TEST(TransducerTest, FinalListsAtTheEndOfTheInput) {
  TransducerBuilder withFinal({-1, 'x'});
  withFinal.Final(0, {'x', C});
  EXPECT_EQ(Rewrite(withFinal.Build(1), {5}), (std::vector<int32_t>{5, 'x', -1}))
      << "a catch-all entry with the queue empty gives -1 at the end";
  EXPECT_EQ(Rewrite(withFinal.Build(1), {}), (std::vector<int32_t>{'x', -1}));
  EXPECT_EQ(Rewrite(Copier(), {}), std::vector<int32_t>{}) << "no final list adds nothing";
}

TEST(TransducerTest, LoaderRefusesMachinesThatWouldReadOutsideTheirTables) {
  const struct {
    const char* what;
    void (*change)(TransducerSpec&);
  } cases[] = {
      {"start state past the table", [](TransducerSpec& s) { s.start = 99; }},
      {"negative start state", [](TransducerSpec& s) { s.start = -1; }},
      {"transition to a state without rows", [](TransducerSpec& s) { s.rows[2][1] = 40; }},
      {"output list without its end", [](TransducerSpec& s) { s.outputs.back() = 0; }},
      {"output class outside the alphabet", [](TransducerSpec& s) { s.outputs[0] = 3; }},
      {"output start past the lists", [](TransducerSpec& s) { s.rows[2][2] = 100; }},
      {"final list past the lists", [](TransducerSpec& s) { s.rows[0][1] = 100; }},
      {"unsorted alphabet", [](TransducerSpec& s) { std::swap(s.alphabet[1], s.alphabet[2]); }},
  };
  Transducer* good = Load(AToZ());
  ASSERT_NE(good, nullptr);
  FreeTransducer(good);
  for (const auto& c : cases) {
    TransducerSpec spec = AToZ();
    c.change(spec);
    EXPECT_EQ(Load(spec), nullptr) << c.what;
  }
  // An empty alphabet still has class 0, which every symbol falls into.
  TransducerSpec empty;
  empty.rows = {{-2, 0, -1}, {0, 40, -1}};
  EXPECT_EQ(Load(empty), nullptr) << "class 0 leads to a state without rows";
  empty.rows[1][1] = 0;
  empty.outputs = {-1};  // row 0 is also the final list of state 0: an empty one
  Transducer* copyNothing = Load(empty);
  EXPECT_NE(copyNothing, nullptr);
  FreeTransducer(copyNothing);
  // Rows no state can reach are not checked.
  TransducerSpec spec = AToZ();
  spec.rows.push_back({7, 12345, 99999});
  Transducer* t = Load(spec);
  EXPECT_NE(t, nullptr);
  FreeTransducer(t);
}

// Without -1 in its alphabet a machine has no catch-all class: its "catch-all row" of state q is
// row q itself, whose next-state word starts the final list. Such a machine is sound exactly when
// every state it reaches has a row for every class.
TEST(TransducerTest, MachinesWithoutACatchAllClassLoadWhenEveryReachedStateIsClosed) {
  TransducerSpec closed;
  closed.alphabet = {'a', 'b'};
  closed.rows = {{-2, 4, -1}, {0, 0, 0}, {1, 0, 2}};  // final list at 4: not a state
  closed.outputs = {1, -1, 0, -1, 1, 1, -1};          // 'a' -> 'b'; 'b' -> 'a'; final 'b' 'b'
  EXPECT_EQ(Rewrite(closed, {'a', 'b', 'q'}), (std::vector<int32_t>{'b', 'a', 'b', 'b', 'b'}))
      << "'q' is not in the alphabet and falls into class 0";

  TransducerSpec open = closed;
  open.rows.pop_back();  // no row for 'b': it would take row 0 and go to "state" 4
  EXPECT_EQ(Load(open), nullptr);
  open.rows[0][1] = 0;  // even when that word happens to name a state
  EXPECT_EQ(Load(open), nullptr);
}

std::vector<int32_t> Rewrite(const BimachineSpec& spec, const std::vector<int32_t>& input) {
  const std::vector<int32_t> file = BimachineFile(spec);
  ByteReader reader = ReaderOver(file);
  Bimachine* b = LoadBimachine(&reader);
  EXPECT_NE(b, nullptr);
  if (b == nullptr) return {};
  Array in = Stream(input);
  Array out = Stream({});
  Array stack = Stream({});
  RunBimachine(*b, in.get(), out.get(), stack.get());
  FreeBimachine(b);
  return Values(out.get());
}

TEST(BimachineTest, RewritesEachSymbolByBothContexts) {
  EXPECT_EQ(Rewrite(AAfterBBimachine(), {'a', 'b', 'a', 'a', 'x', 7}),
            (std::vector<int32_t>{'a', 'b', 'x', 'a', 'x', 7}));
  EXPECT_EQ(Rewrite(AAfterBBimachine(), {}), std::vector<int32_t>{});
  BimachineSpec fromB = AAfterBBimachine();
  fromB.leftStart = 5;
  EXPECT_EQ(Rewrite(fromB, {'a'}), std::vector<int32_t>{'x'}) << "one symbol sees the start states";
}

TEST(BimachineTest, EmptyStreamsLeaveTheStackAsItWas) {
  // A cascade passes an empty stream through every stage with the same stack.
  const std::vector<int32_t> file = BimachineFile(AAfterBBimachine());
  ByteReader reader = ReaderOver(file);
  Bimachine* b = LoadBimachine(&reader);
  ASSERT_NE(b, nullptr);
  Array in = Stream({});
  Array out = Stream({});
  Array stack = Stream({});
  const int32_t capacity = stack->capacity;
  for (int i = 0; i < 30; ++i)
    RunBimachine(*b, in.get(), out.get(), stack.get());
  EXPECT_EQ(stack->capacity, capacity);
  EXPECT_EQ(out->count, 0);
  FreeBimachine(b);
}

TEST(BimachineTest, PairRangesDefaultsAndDeletion) {
  BimachineSpec spec = AAfterBBimachine();
  spec.pairs = {{-2, 0}, {5, 4}, {-2, 0}, {5, 2}};  // catch-all range: default copy, 5 deletes
  spec.right[2] = {1, 0, 2, 2};
  spec.right[1] = {0, 0, 0, 2};
  // 'b' has pair count 0: looked up in the catch-all range by the left state, so 'b' and 9 right
  // after a 'b' are deleted and copied elsewhere (the default pair).
  EXPECT_EQ(Rewrite(spec, {'b', 'b', 9, 'b', 'a'}), (std::vector<int32_t>{'b', 'b', 'x'}));
  // Without a default pair: 'b' after the start finds no pair and stays as it is; 'q' (its own
  // row is the catch-all row) falls back to the first pair of the range, which deletes.
  spec.pairs[0] = {3, 4};
  EXPECT_EQ(Rewrite(spec, {'b', 'q'}), (std::vector<int32_t>{'b'}));
  EXPECT_EQ(Rewrite(spec, {'q', 'b'}), (std::vector<int32_t>{'b'}));
}

TEST(BimachineTest, LoaderRefusesMachinesThatWouldReadOutsideTheirTables) {
  const struct {
    const char* what;
    void (*change)(BimachineSpec&);
  } cases[] = {
      {"pair range past the pairs", [](BimachineSpec& s) { s.right[2][3] = 3; }},
      {"pair output past the lists", [](BimachineSpec& s) { s.pairs[2][1] = 50; }},
      {"pair output not a list", [](BimachineSpec& s) { s.pairs[2][1] = -1; }},
      {"left state without its rows", [](BimachineSpec& s) { s.left[3][1] = 70; }},
      {"right start without its rows", [](BimachineSpec& s) { s.rightStart = 9; }},
      {"list naming a class outside", [](BimachineSpec& s) { s.outputs[2] = 4; }},
  };
  for (const auto& c : cases) {
    BimachineSpec spec = AAfterBBimachine();
    c.change(spec);
    const std::vector<int32_t> file = BimachineFile(spec);
    ByteReader reader = ReaderOver(file);
    EXPECT_EQ(LoadBimachine(&reader), nullptr) << c.what;
  }
}

TEST(BimachineTest, MachinesWithoutACatchAllClassLoadWhenEveryReachedStateIsClosed) {
  BimachineSpec closed;
  closed.alphabet = {'a', 'b'};
  closed.outputs = {1, -1, 0, -1};  // 'a' -> 'b'; 'b' -> 'a'
  closed.left = {{-2, 9}, {0, 0}, {1, 0}};
  closed.right = {{-2, 7, 0, 0}, {0, 0, 0, 1}, {1, 0, 1, 1}};
  closed.pairs = {{-2, 0}, {-2, 2}};
  EXPECT_EQ(Rewrite(closed, {'a', 'b', 'b'}), (std::vector<int32_t>{'b', 'a', 'a'}));

  for (auto change : {+[](BimachineSpec& s) { s.left.pop_back(); },
                      +[](BimachineSpec& s) { s.right.pop_back(); }}) {
    BimachineSpec open = closed;
    change(open);
    const std::vector<int32_t> file = BimachineFile(open);
    ByteReader reader = ReaderOver(file);
    EXPECT_EQ(LoadBimachine(&reader), nullptr);
  }
}

struct GrammarDeleter {
  void operator()(Grammar* g) const { FreeGrammar(g); }
};
using GrammarPtr = std::unique_ptr<Grammar, GrammarDeleter>;

GrammarPtr LoadFile(const std::vector<int32_t>& file, int64_t bytes = -1) {
  ByteReader reader = MakeByteReader(file.data(), bytes < 0 ? int64_t(file.size() * 4) : bytes);
  return GrammarPtr(LoadGrammar(&reader));
}

StageSpec Stage(int32_t kind, int32_t enable = 1, int32_t disable = 0) {
  StageSpec stage;
  stage.kind = kind;
  stage.enableMask = enable;
  stage.disableMask = disable;
  stage.transducer = AToZ();
  stage.bimachine = AAfterBBimachine();
  return stage;
}

TEST(GrammarTest, LoadsStagesAndRefusesEveryTruncation) {
  const std::vector<int32_t> file = GrammarFile({Stage(1), Stage(2), Stage(3)});
  GrammarPtr grammar = LoadFile(file);
  ASSERT_NE(grammar, nullptr);
  EXPECT_EQ(grammar->stageCount, 3);
  EXPECT_NE(grammar->stages[0].transducer, nullptr);
  EXPECT_NE(grammar->stages[1].bimachine, nullptr);
  EXPECT_EQ(grammar->stages[2].transducer, nullptr);
  for (int64_t bytes = 0; bytes < static_cast<int64_t>(file.size() * 4); ++bytes) {
    ASSERT_EQ(LoadFile(file, bytes), nullptr) << bytes << " bytes";
  }
  EXPECT_NE(LoadFile(GrammarFile({})), nullptr) << "no stages";
}

TEST(GrammarTest, RefusesBadStageRecords) {
  const struct {
    const char* what;
    void (*change)(StageSpec&);
  } cases[] = {
      {"kind 4", [](StageSpec& s) { s.kind = 4; }},
      {"kind 0", [](StageSpec& s) { s.kind = 0; }},
      {"101 protected symbols",
       [](StageSpec& s) {
         s.protectedSymbols.assign(101, P);
         s.lowest = s.highest = P;
       }},
      {"protected symbol outside its range",
       [](StageSpec& s) {
         s.protectedSymbols = {P, Q};
         s.lowest = s.highest = P;
       }},
      {"lowest above highest",
       [](StageSpec& s) {
         s.protectedSymbols = {P};
         s.lowest = P + 1;
         s.highest = P - 1;
       }},
  };
  for (const auto& c : cases) {
    StageSpec bad = Stage(1);
    c.change(bad);
    // The machines of the stages before the bad one are released (the sanitizer build checks).
    EXPECT_EQ(LoadFile(GrammarFile({Stage(1), Stage(2), bad})), nullptr) << c.what;
  }
  std::vector<int32_t> file = GrammarFile({Stage(1)});
  file[0] = -1;
  EXPECT_EQ(LoadFile(file), nullptr) << "negative stage count";
  file[0] = 1 << 30;
  EXPECT_EQ(LoadFile(file), nullptr) << "more stages than the file holds";
}

TEST(GrammarTest, ProtectedSetsUseABitmapUpToTenThousandSymbols) {
  for (int32_t span : {9999, 10000}) {
    StageSpec stage = Stage(1);
    stage.protectedSymbols = {1000, 1000 + span};
    stage.lowest = 1000;
    stage.highest = 1000 + span;
    GrammarPtr grammar = LoadFile(GrammarFile({stage}));
    ASSERT_NE(grammar, nullptr);
    const GrammarStage& s = grammar->stages[0];
    EXPECT_EQ(s.bitmap != nullptr, span == 9999) << span;
    EXPECT_TRUE(InStageSet(1000, s));
    EXPECT_TRUE(InStageSet(1000 + span, s));
    EXPECT_FALSE(InStageSet(1001, s));
    EXPECT_FALSE(InStageSet(999, s));
    EXPECT_FALSE(InStageSet(1001 + span, s));
  }
}

std::vector<int32_t> Cascade(const std::vector<StageSpec>& stages, const std::vector<int32_t>& in,
                             int32_t flags = 1, const Transducer* dictionary = nullptr) {
  const std::vector<int32_t> file = GrammarFile(stages);
  GrammarPtr grammar = LoadFile(file);
  EXPECT_NE(grammar, nullptr);
  if (grammar == nullptr) return {};
  Array input = Stream(in);
  Array out(RunCascade(*grammar, dictionary, input.get(), flags));
  return Values(out.get());
}

TEST(CascadeTest, FlagsSelectStages) {
  const std::vector<int32_t> in = {'a', 'b'};
  const std::vector<int32_t> changed = {'z', 'b'};
  EXPECT_EQ(Cascade({}, in), in);
  const struct {
    int32_t flags, enable, disable;
    bool runs;
  } cases[] = {{1, 2, 0, false}, {3, 2, 0, true}, {3, 2, 2, false},
               {3, 2, 1, true},  {1, 1, 1, true}, {0, -1, 0, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(Cascade({Stage(1, c.enable, c.disable)}, in, c.flags), c.runs ? changed : in)
        << "flags " << c.flags << " enable " << c.enable << " disable " << c.disable;
  }
}

TEST(CascadeTest, ProtectedRunsAreHiddenAndRestoredInOrder) {
  StageSpec stage = Stage(1);
  stage.protectedSymbols = {P, Q};
  stage.lowest = P;
  stage.highest = Q;
  const struct {
    std::vector<int32_t> in, out;
  } cases[] = {
      {{'a', P, 'a', 'b', P, 'a'}, {'z', P, 'a', 'b', P, 'z'}},
      {{'a', P, 'a', 'b'}, {'z', P, 'a', 'b'}},  // no closing P: the rest is hidden
      {{P, 'a', P, Q, 'a', Q, 'a'}, {P, 'a', P, Q, 'a', Q, 'z'}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Cascade({stage}, c.in), c.out);

  // A machine that emits a protected symbol of its own: it comes out alone.
  TransducerBuilder b({-1, 'a', P});
  b.Transition(0, 'a', 0, {P});
  stage.transducer = b.Build(1);
  EXPECT_EQ(Cascade({stage}, {P, 'b', P, 'a'}), (std::vector<int32_t>{P, 'b', P, P}));
}

TEST(CascadeTest, UserDictionaryStagesRunOnlyWithADictionary) {
  const std::vector<int32_t> in = {'a', 'x'};
  EXPECT_EQ(Cascade({Stage(3)}, in), in);
  Transducer* dictionary = Load(AToZ());
  EXPECT_EQ(Cascade({Stage(3)}, in, 1, dictionary), (std::vector<int32_t>{'z', 'x'}));
  FreeTransducer(dictionary);
}

TEST(CascadeTest, StagesRunInOrderEachOnTheResultOfTheLast) {
  // The bimachine turns 'a' after 'b' into 'x', the transducer 'a' into 'z': whichever runs first
  // decides.
  EXPECT_EQ(Cascade({Stage(2), Stage(1)}, {'b', 'a'}), (std::vector<int32_t>{'b', 'x'}));
  EXPECT_EQ(Cascade({Stage(1), Stage(2)}, {'b', 'a'}), (std::vector<int32_t>{'b', 'z'}));
  EXPECT_EQ(Cascade({Stage(2)}, {'b', 'a'}), (std::vector<int32_t>{'b', 'x'}));
}

}  // namespace
