#include "xlpaint/qtconvert.h"

#include <gtest/gtest.h>

namespace {

// Fonts and images need the application object before the first test.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { xlpaint::EnsureGuiApplication(); }
};

[[maybe_unused]] ::testing::Environment* const g_gui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
