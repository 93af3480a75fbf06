// The headless demo object shared by the show tests.
#include "tests/show/show_fixture.h"

namespace {
[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ShowTest::Environment);
}  // namespace
