#include <gtest/gtest.h>

#include "platform/GlobalHotKeys.h"

using namespace platform;

namespace {

TEST(GlobalHotKeysTest, VirtualKeysMapToKeySymbols)
{
    const struct {
        unsigned vk;
        unsigned keysym;
    } table[] = {
        {'A', 0x61},    {'Q', 0x71},    {'Z', 0x7A},    {'0', 0x30},    {'9', 0x39},
        {0x70, 0xFFBE}, {0x7B, 0xFFC9}, {0x87, 0xFFD5}, // F1, F12, F24
        {0x61, 0xFFB1}, // numpad 1, not the letter a
        {0x6B, 0xFFAB}, {0x0D, 0xFF0D}, {0x1B, 0xFF1B}, {0x20, 0x20},   {0x2E, 0xFFFF},
        {0x24, 0xFF50}, {0x21, 0xFF55}, {0x25, 0xFF51}, {0x28, 0xFF54},
        {0xBA, 0x3B},   {0xBB, 0x3D},   {0xC0, 0x60},   {0xDE, 0x27},
        // No key symbol: nothing, modifiers alone, past F24, mouse buttons.
        {0x00, 0},      {0x10, 0},      {0x12, 0},      {0x88, 0},      {0x01, 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.vk);
        EXPECT_EQ(VirtualKeyToKeysym(row.vk), row.keysym);
    }
}

TEST(GlobalHotKeysTest, WithoutX11RegistrationFailsCleanly)
{
    ASSERT_FALSE(GlobalHotKeys::IsAvailable()); // the tests run offscreen
    GlobalHotKeys keys;
    EXPECT_EQ(keys.Register(13200, (HOTKEYF_ALT << 16) | 'Q'), 0);
    EXPECT_FALSE(keys.IsRegistered(13200));
    keys.Unregister(13200);
    keys.Unregister(15000);
}

} // namespace
