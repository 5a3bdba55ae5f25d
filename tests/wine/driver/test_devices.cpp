// The DirectX services of the Windows drivers on a real device: DirectDraw 7
// surfaces, the Direct3D 7 device drawing a blended, colour-keyed quad,
// DirectSound buffers and the DirectInput keyboard.

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <vector>

#include "platform/device3d.h"
#include "platform/display.h"
#include "platform/input_device.h"
#include "platform/process.h"
#include "platform/sound_device.h"

namespace {

using platform::kOk;

HWND DeviceWindow() {
    static HWND window = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = reinterpret_cast<HINSTANCE>(platform::GetModuleInstance());
        windowClass.lpszClassName = "DriverDevices";
        ::RegisterClassA(&windowClass);
        return ::CreateWindowExA(0, "DriverDevices", "Devices", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    }();
    return window;
}

platform::WindowHandle Handle() { return reinterpret_cast<platform::WindowHandle>(DeviceWindow()); }

std::uint32_t PixelAt(const platform::LockedSurface& locked, int x, int y) {
    const auto* row = static_cast<const unsigned char*>(locked.pixels) + y * locked.pitch;
    if (locked.bitsPerPixel == 16) {
        std::uint16_t value;
        std::memcpy(&value, row + x * 2, 2);
        return value;
    }
    std::uint32_t value;
    std::memcpy(&value, row + x * 4, 4);
    return value & 0xFFFFFF;
}

void StorePixel(const platform::LockedSurface& locked, int x, int y, std::uint32_t value) {
    auto* row = static_cast<unsigned char*>(locked.pixels) + y * locked.pitch;
    if (locked.bitsPerPixel == 16) {
        const auto word = static_cast<std::uint16_t>(value);
        std::memcpy(row + x * 2, &word, 2);
    } else {
        std::memcpy(row + x * 4, &value, 4);
    }
}

// One exclusive full screen of 640 x 480 at the given depth, with its
// primary surface and back buffer; everything is given back at the end.
class FullScreen {
public:
    explicit FullScreen(int depth) {
        device_ = platform::CreateDisplayDevice();
        if (device_ == nullptr) return;
        if (platform::SetDisplayCooperativeLevel(device_, Handle(), platform::kDisplayFullscreenExclusive) != kOk)
            return;
        if (platform::SetDisplayMode(device_, 640, 480, depth) != kOk) return;
        if (platform::CreatePrimarySurface(device_, &primary_) != kOk) return;
        platform::GetBackBuffer(primary_, &back_);
    }
    ~FullScreen() {
        if (back_ != nullptr) platform::ReleaseSurface(back_);
        if (primary_ != nullptr) platform::ReleaseSurface(primary_);
        if (device_ != nullptr) {
            platform::SetDisplayCooperativeLevel(device_, 0, platform::kDisplayNormal);
            platform::ReleaseDisplayDevice(device_);
        }
    }
    FullScreen(const FullScreen&) = delete;
    FullScreen& operator=(const FullScreen&) = delete;

    bool Ok() const { return back_ != nullptr; }
    platform::DisplayDevice* Device() const { return device_; }
    platform::Surface* Primary() const { return primary_; }
    platform::Surface* Back() const { return back_; }

private:
    platform::DisplayDevice* device_ = nullptr;
    platform::Surface* primary_ = nullptr;
    platform::Surface* back_ = nullptr;
};

TEST(Win32Display, ASixteenBitScreenIsFiveSixFiveAndItsSurfacesFollowIt) {
    FullScreen screen(16);
    ASSERT_TRUE(screen.Ok());
    platform::LockedSurface locked{};
    ASSERT_EQ(platform::LockSurface(screen.Primary(), &locked), kOk);
    platform::UnlockSurface(screen.Primary());
    EXPECT_EQ(locked.bitsPerPixel, 16u);
    EXPECT_EQ(locked.greenMask, 0x07E0u);
    EXPECT_EQ(locked.width, 640);
    EXPECT_EQ(locked.height, 480);

    platform::Surface* sprite = nullptr;
    ASSERT_EQ(platform::CreateSurface(screen.Device(), 8, 4, platform::kCapsOffscreenPlain, &sprite), kOk);
    ASSERT_NE(sprite, nullptr);
    ASSERT_EQ(platform::LockSurface(sprite, &locked), kOk);
    EXPECT_EQ(locked.width, 8);
    EXPECT_EQ(locked.height, 4);
    EXPECT_EQ(locked.bitsPerPixel, 16u);
    EXPECT_GE(locked.pitch, 16);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) StorePixel(locked, x, y, static_cast<std::uint32_t>(0x0800 * x + y));
    }
    ASSERT_EQ(platform::UnlockSurface(sprite), kOk);
    EXPECT_EQ(platform::SetSourceColourKey(sprite, 0, 0), kOk);
    EXPECT_EQ(platform::IsSurfaceLost(sprite), kOk);

    // Fill, then copy a part of the sprite: only the rectangle changes.
    EXPECT_EQ(platform::FillSurface(screen.Back(), 0x001F), kOk);
    EXPECT_EQ(platform::CopySurfaceFast(screen.Back(), 100, 50, sprite, platform::Rect{2, 1, 6, 3}), kOk);
    ASSERT_EQ(platform::LockSurface(screen.Back(), &locked), kOk);
    EXPECT_EQ(PixelAt(locked, 100, 50), 0x0800u * 2 + 1);
    EXPECT_EQ(PixelAt(locked, 103, 51), 0x0800u * 5 + 2);
    EXPECT_EQ(PixelAt(locked, 104, 50), 0x001Fu);
    EXPECT_EQ(PixelAt(locked, 99, 50), 0x001Fu);
    EXPECT_EQ(PixelAt(locked, 100, 52), 0x001Fu);
    platform::UnlockSurface(screen.Back());

    // The whole sprite into system memory, as the pixel backup takes it.
    platform::Surface* copy = nullptr;
    ASSERT_EQ(platform::CreateSurface(screen.Device(), 8, 4,
                                      platform::kCapsOffscreenPlain | platform::kCapsSystemMemory, &copy),
              kOk);
    EXPECT_EQ(platform::CopyWholeSurface(copy, sprite), kOk);
    ASSERT_EQ(platform::LockSurface(copy, &locked), kOk);
    EXPECT_EQ(PixelAt(locked, 7, 3), 0x0800u * 7 + 3);
    platform::UnlockSurface(copy);

    // Black through the drawing context.
    EXPECT_TRUE(platform::PaintSurfaceBlack(screen.Back(), 640, 480));
    ASSERT_EQ(platform::LockSurface(screen.Back(), &locked), kOk);
    EXPECT_EQ(PixelAt(locked, 100, 50), 0u);
    EXPECT_EQ(PixelAt(locked, 639, 479), 0u);
    platform::UnlockSurface(screen.Back());

    EXPECT_EQ(platform::FlipSurface(screen.Primary(), platform::kFlipWait), kOk);
    platform::ReleaseSurface(copy);
    platform::ReleaseSurface(sprite);
}

TEST(Win32Display, TheLibraryStaysWhileADeviceLives) {
    platform::DisplayDevice* first = platform::CreateDisplayDevice();
    platform::DisplayDevice* second = platform::CreateDisplayDevice();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    platform::ReleaseDisplayDevice(first);
    ASSERT_EQ(platform::SetDisplayCooperativeLevel(second, Handle(), platform::kDisplayNormal), kOk);
    platform::Surface* surface = nullptr;
    EXPECT_EQ(platform::CreateSurface(second, 16, 16, platform::kCapsOffscreenPlain, &surface), kOk);
    platform::ReleaseSurface(surface);
    platform::ReleaseDisplayDevice(second);

    platform::InputSystem* input = platform::CreateInputSystem(platform::GetModuleInstance());
    platform::InputSystem* other = platform::CreateInputSystem(platform::GetModuleInstance());
    ASSERT_NE(input, nullptr);
    ASSERT_NE(other, nullptr);
    platform::ReleaseInputSystem(input);
    platform::InputDevice* keyboard = nullptr;
    EXPECT_EQ(platform::CreateKeyboardDevice(other, &keyboard), kOk);
    platform::ReleaseInputDevice(keyboard);
    platform::ReleaseInputSystem(other);
}

TEST(Win32Display, AnAbsentDeviceOrSurfaceFailsQuietly) {
    platform::Surface* surface = reinterpret_cast<platform::Surface*>(1);
    EXPECT_NE(platform::CreateSurface(nullptr, 8, 8, platform::kCapsOffscreenPlain, &surface), kOk);
    EXPECT_EQ(surface, nullptr);
    EXPECT_NE(platform::FillSurface(nullptr, 0), kOk);
    platform::LockedSurface locked{};
    EXPECT_NE(platform::LockSurface(nullptr, &locked), kOk);
    EXPECT_FALSE(platform::PaintSurfaceBlack(nullptr, 8, 8));
    EXPECT_EQ(platform::QueryDirect3D(nullptr), nullptr);
}

TEST(Win32Display3D, AHalfAlphaQuadBlendsAndLeavesItsBlackTexelsOut) {
    FullScreen screen(32);
    ASSERT_TRUE(screen.Ok());
    platform::LockedSurface locked{};
    ASSERT_EQ(platform::LockSurface(screen.Primary(), &locked), kOk);
    platform::UnlockSurface(screen.Primary());
    ASSERT_EQ(locked.bitsPerPixel, 32u);
    ASSERT_EQ(locked.redMask, 0xFF0000u);

    platform::Direct3D* direct3d = platform::QueryDirect3D(screen.Device());
    ASSERT_NE(direct3d, nullptr);
    platform::Device3D* device = nullptr;
    ASSERT_EQ(platform::CreateDevice3D(direct3d, screen.Back(), &device), kOk);
    ASSERT_NE(device, nullptr);
    platform::Viewport3D viewport{};
    EXPECT_EQ(platform::GetViewport3D(device, &viewport), kOk);
    EXPECT_EQ(viewport.width, 640u);
    EXPECT_EQ(viewport.height, 480u);

    // A 4 x 4 white texture whose top-left texel is black (the colour key).
    platform::Surface* texture = nullptr;
    ASSERT_EQ(platform::CreateSurface(screen.Device(), 4, 4, platform::kCapsTexture, &texture), kOk);
    ASSERT_EQ(platform::LockSurface(texture, &locked), kOk);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) StorePixel(locked, x, y, x == 0 && y == 0 ? 0 : 0xFFFFFF);
    }
    platform::UnlockSurface(texture);
    ASSERT_EQ(platform::SetSourceColourKey(texture, 0, 0), kOk);

    EXPECT_EQ(platform::FillSurface(screen.Back(), 0x0000FF), kOk);
    ASSERT_EQ(platform::BeginScene3D(device), kOk);
    EXPECT_EQ(platform::SetRenderState3D(device, platform::kRsAlphaBlendEnable, 1), kOk);
    EXPECT_EQ(platform::SetRenderState3D(device, platform::kRsSrcBlend, platform::kBlendSrcAlpha), kOk);
    EXPECT_EQ(platform::SetRenderState3D(device, platform::kRsDestBlend, platform::kBlendInvSrcAlpha), kOk);
    EXPECT_EQ(platform::SetRenderState3D(device, platform::kRsColourKeyEnable, 1), kOk);
    EXPECT_EQ(platform::SetTextureStageState3D(device, 0, platform::kTssMagFilter, platform::kFilterPoint), kOk);
    EXPECT_EQ(platform::SetTexture3D(device, 0, texture), kOk);
    EXPECT_EQ(platform::SetTextureStageState3D(device, 0, platform::kTssAlphaOp, platform::kTopSelectArg2), kOk);
    // The texture stretched over 40 x 40 pixels from 10, 10, alpha 128.
    const std::uint32_t diffuse = 0x80FFFFFFu;
    const platform::TLVertex quad[4] = {
        {10, 10, 0, 1, diffuse, 0, 0, 0},
        {50, 10, 0, 1, diffuse, 0, 1, 0},
        {10, 50, 0, 1, diffuse, 0, 0, 1},
        {50, 50, 0, 1, diffuse, 0, 1, 1},
    };
    EXPECT_EQ(platform::DrawPrimitive3D(device, platform::kTriangleStrip, platform::kFvfTLVertex, quad, 4, 0), kOk);
    EXPECT_EQ(platform::EndScene3D(device), kOk);

    ASSERT_EQ(platform::LockSurface(screen.Back(), &locked), kOk);
    const std::uint32_t blended = PixelAt(locked, 35, 35);
    const std::uint32_t keyed = PixelAt(locked, 13, 13);
    const std::uint32_t outside = PixelAt(locked, 5, 5);
    platform::UnlockSurface(screen.Back());
    // White over blue at 128/255: red and green about 128, blue full.
    EXPECT_NEAR(static_cast<int>((blended >> 16) & 0xFF), 128, 3) << std::hex << blended;
    EXPECT_NEAR(static_cast<int>((blended >> 8) & 0xFF), 128, 3) << std::hex << blended;
    EXPECT_EQ(blended & 0xFF, 0xFFu) << std::hex << blended;
    EXPECT_EQ(keyed, 0x0000FFu) << "the black texel is left out";
    EXPECT_EQ(outside, 0x0000FFu);

    platform::ReleaseDevice3D(device);
    platform::ReleaseDirect3D(direct3d);
    platform::ReleaseSurface(texture);
}

TEST(Win32Sound, StaticBuffersTakeTheirSamplesAndPlay) {
    ASSERT_TRUE(platform::LoadSoundLibrary());
    platform::SoundDevice* device = nullptr;
    ASSERT_EQ(platform::CreateSoundDevice(&device), kOk);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(platform::SetSoundCooperativeLevel(device, Handle(), platform::kSoundPriority), kOk);

    platform::SoundBufferDesc desc{36, platform::kBufferPrimary, 0, 0, nullptr, 0};
    platform::SoundBuffer* primary = nullptr;
    ASSERT_EQ(platform::CreateSoundBuffer(device, &desc, &primary), kOk);

    // A format chunk of 16 bytes: the size of its extra data is not there.
    const platform::WaveFormat pcm{1, 2, 44100, 176400, 4, 16, 0xFFFF};
    desc = platform::SoundBufferDesc{36, platform::kBufferStaticFlags, 4000, 0, &pcm, 16};
    platform::SoundBuffer* buffer = nullptr;
    ASSERT_EQ(platform::CreateSoundBuffer(device, &desc, &buffer), kOk);
    void* first = nullptr;
    void* second = reinterpret_cast<void*>(1);
    std::uint32_t firstBytes = 0;
    std::uint32_t secondBytes = 7;
    ASSERT_EQ(platform::LockSoundBuffer(buffer, 0, 4000, &first, &firstBytes, &second, &secondBytes), kOk);
    EXPECT_EQ(firstBytes, 4000u);
    EXPECT_EQ(secondBytes, 0u);
    ASSERT_NE(first, nullptr);
    std::memset(first, 0, firstBytes);
    EXPECT_EQ(platform::UnlockSoundBuffer(buffer, first, firstBytes, second, secondBytes), kOk);
    EXPECT_EQ(platform::PlaySoundBuffer(buffer, 0), kOk);
    EXPECT_EQ(platform::StopSoundBuffer(buffer), kOk);
    EXPECT_EQ(platform::SetSoundBufferPosition(buffer, 0), kOk);
    EXPECT_EQ(platform::PlaySoundBuffer(buffer, 0), kOk);

    // The master volume turns each buffer down as it starts: percent of the
    // amplitude as hundredths of a decibel, silence at 0, untouched at 100.
    const struct {
        std::uint32_t percent;
        LONG volume;
    } volumes[] = {{50, -602}, {10, -2000}, {1, -4000}, {0, -10000}, {100, 0}};
    for (const auto& v : volumes) {
        EXPECT_EQ(platform::SetSoundMasterVolume(device, v.percent), kOk);
        EXPECT_EQ(platform::StopSoundBuffer(buffer), kOk);
        EXPECT_EQ(platform::PlaySoundBuffer(buffer, 0), kOk);
        LONG volume = 1;
        EXPECT_EQ(reinterpret_cast<IDirectSoundBuffer*>(buffer)->GetVolume(&volume), DS_OK);
        EXPECT_EQ(volume, v.volume) << v.percent << " %";
    }
    EXPECT_EQ(platform::StopSoundBuffer(buffer), kOk);

    // A compressed format whose extra data would lie past the chunk is refused.
    struct {
        platform::WaveFormat format;
        unsigned char extra[2];
    } adpcm{{2, 1, 22050, 11025, 512, 4, 32}, {0, 0}};
    desc = platform::SoundBufferDesc{36, platform::kBufferStaticFlags, 4000, 0, &adpcm, 20};
    platform::SoundBuffer* refused = reinterpret_cast<platform::SoundBuffer*>(1);
    EXPECT_NE(platform::CreateSoundBuffer(device, &desc, &refused), kOk);
    EXPECT_EQ(refused, nullptr);
    // No samples: refused.
    desc = platform::SoundBufferDesc{36, platform::kBufferStaticFlags, 0, 0, &pcm, 18};
    EXPECT_NE(platform::CreateSoundBuffer(device, &desc, &refused), kOk);

    platform::ReleaseSoundBuffer(buffer);
    platform::ReleaseSoundBuffer(primary);
    platform::ReleaseSoundDevice(device);
    platform::UnloadSoundLibrary();
    platform::SoundDevice* none = nullptr;
    EXPECT_NE(platform::CreateSoundDevice(&none), kOk) << "no library, no device";
}

TEST(Win32Input, TheKeyboardTakesTheProgramsOwnDataFormat) {
    platform::InputSystem* system = platform::CreateInputSystem(platform::GetModuleInstance());
    ASSERT_NE(system, nullptr);
    platform::InputDevice* keyboard = nullptr;
    ASSERT_EQ(platform::CreateKeyboardDevice(system, &keyboard), kOk);
    ASSERT_NE(keyboard, nullptr);

    // GUID_Key: 55728220-D33C-11CF-BFC7-444553540000.
    const unsigned char keyGuid[16] = {0x20, 0x82, 0x72, 0x55, 0x3C, 0xD3, 0xCF, 0x11,
                                       0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(platform::KeyObjectGuid(), keyGuid, 16), 0);

    std::vector<platform::InputObjectFormat> objects(256);
    for (std::uint32_t i = 0; i < 256; ++i) {
        objects[i] = {platform::KeyObjectGuid(), i, platform::kInputButtonType | (i << 8), 0};
    }
    // The record sizes reach the device as given: wrong ones are refused.
    platform::InputDataFormat format{24, 12, platform::kInputRelativeAxes, 256, 256, objects.data()};
    EXPECT_NE(platform::SetInputDataFormat(keyboard, &format), kOk);
    format = platform::InputDataFormat{20, 16, platform::kInputRelativeAxes, 256, 256, objects.data()};
    EXPECT_NE(platform::SetInputDataFormat(keyboard, &format), kOk);
    format = platform::InputDataFormat{24, 16, platform::kInputRelativeAxes, 256, 256, objects.data()};
    EXPECT_EQ(platform::SetInputDataFormat(keyboard, &format), kOk);

    EXPECT_EQ(platform::SetInputCooperativeLevel(keyboard, Handle(), platform::kInputExclusiveForeground), kOk);
    std::uint8_t keys[256];
    std::memset(keys, 0x55, sizeof keys);
    EXPECT_NE(platform::GetInputDeviceState(keyboard, 256, keys), kOk) << "not acquired yet";
    platform::UnacquireInputDevice(keyboard);
    platform::ReleaseInputDevice(keyboard);
    platform::ReleaseInputSystem(system);
}

}  // namespace
