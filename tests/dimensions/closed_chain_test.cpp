// Closed dimension chains over small networks: the loop found through a
// dimension, the X and Y classes kept apart, a dimension in no loop, and
// stepping that wraps.
#include "tests/solver/network_fixture.h"

#include "stages/dimensions/closed_chain.h"

using solver_test::Fixture;

namespace {

std::vector<uint32_t> chain_of(Fixture& f, uint32_t d, std::string* message = nullptr) {
    std::string m;
    std::vector<uint32_t> c = closed_chain_of(f.rec, d, &m);
    if (message) *message = m;
    return c;
}

}  // namespace

TEST(ClosedChain, LoopsFoundOrNot) {
    struct Case {
        const char* name;
        void (*build)(Fixture&);
        uint32_t through;
        std::vector<uint32_t> chain;   // empty: no loop
    } cases[] = {
        {"consistent X triangle",
         [](Fixture& f) {
             f.point(1, 0, 0, 0x4000); f.point(2, 10, 0); f.point(3, 30, 0);
             f.x_dim(10, 10, 1, 2); f.x_dim(11, 20, 2, 3); f.x_dim(12, 30, 1, 3);
             f.y_dim(13, 0, 1, 2); f.y_dim(14, 0, 2, 3);
         },
         12, {12, 10, 11}},
        {"inconsistent X triangle: the same loop",
         [](Fixture& f) {
             f.point(1, 0, 0, 0x4000); f.point(2, 10, 0); f.point(3, 30, 0);
             f.x_dim(10, 10, 1, 2); f.x_dim(11, 20, 2, 3); f.x_dim(12, 31, 1, 3);
             f.y_dim(13, 0, 1, 2); f.y_dim(14, 0, 2, 3);
         },
         12, {12, 10, 11}},
        {"X dimension meets only Y dimensions: no loop",
         [](Fixture& f) {
             f.point(1, 0, 0, 0x4000); f.point(2, 10, 0); f.point(3, 10, 10);
             f.x_dim(10, 10, 1, 2); f.y_dim(11, 0, 1, 2); f.y_dim(12, 10, 2, 3); f.x_dim(13, 0, 2, 3);
             f.y_dim(14, 10, 1, 3);
         },
         10, {}},
        {"Y loop through Y dimensions only",
         [](Fixture& f) {
             f.point(1, 0, 0, 0x4000); f.point(2, 10, 0); f.point(3, 10, -10);
             f.x_dim(10, 10, 1, 2); f.y_dim(11, 0, 1, 2); f.y_dim(12, 10, 2, 3); f.x_dim(13, 0, 2, 3);
             f.y_dim(14, 10, 1, 3);
         },
         14, {14, 11, 12}},
        {"a radius joins an X loop",
         [](Fixture& f) {
             f.point(1, 0, 0, 0x4000); f.point(2, 10, 0);
             f.x_dim(10, 10, 1, 2); f.y_dim(11, 0, 1, 2); f.radius(12, 10, 1, 2);
         },
         10, {10, 12}},
    };
    for (const Case& c : cases) {
        Fixture f;
        c.build(f);
        std::string message;
        EXPECT_EQ(chain_of(f, c.through, &message), c.chain) << c.name;
        if (c.chain.empty()) {
            EXPECT_EQ(message, "Для этого размера не найдено замкнутых циклов") << c.name;
        }
    }
}

TEST(ClosedChain, CheckFailureEndsTheSearchWithItsLine) {
    Fixture f;
    f.point(1, 0, 0, 0x4000);
    f.point(2, 10, 0);
    f.dimension(10, 3, 0, 1.0);          // an angle with no centre
    f.link(10, 1, solver_test::FIRST);
    f.link(10, 2, solver_test::SECOND);
    std::string message;
    EXPECT_TRUE(chain_of(f, 10, &message).empty());
    EXPECT_FALSE(message.empty());
    EXPECT_NE(message, "Для этого размера не найдено замкнутых циклов");
}

TEST(ClosedChain, SteppingWraps) {
    ChainStepper s;
    EXPECT_EQ(s.next(), 0u);
    s.chain = {7, 8, 9};
    EXPECT_EQ(s.next(), 7u);
    EXPECT_EQ(s.prompt(), "1-й размер замкнутой цепи. Всего 3");
    EXPECT_EQ(s.next(), 8u);
    EXPECT_EQ(s.next(), 9u);
    EXPECT_EQ(s.prompt(), "3-й размер замкнутой цепи. Всего 3");
    EXPECT_EQ(s.next(), 7u);
    s.clear();
    EXPECT_EQ(s.next(), 0u);
}
