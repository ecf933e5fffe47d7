// What differs between the 32-bit program and the 64-bit build: the sizes of the
// structures the program hands to Windows, and window data that holds whole pointers.
// Picture heights above LONG's range are covered with the image view's tests, which run
// in both builds.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdint>

#include "framework/window.h"
#include "tests/win/test_host.h"

namespace {

constexpr bool kNarrow = sizeof(void*) == 4;

}  // namespace

// The shipped program is the 32-bit one; these are the sizes it passes in each structure's
// size field. A header setting that picks another form of a structure changes them.
TEST(WidthStructSizes, AreTheFormsTheProgramPasses) {
    EXPECT_EQ(sizeof(OPENFILENAMEW), kNarrow ? 88u : 152u);
    EXPECT_EQ(sizeof(REBARINFO), kNarrow ? 12u : 16u);
    EXPECT_EQ(REBARBANDINFOW_V6_SIZE, kNarrow ? 80u : 108u);
    EXPECT_EQ(sizeof(BITMAPINFOHEADER), 40u);
    EXPECT_EQ(sizeof(INITCOMMONCONTROLSEX), 8u);
}

// The window layer finds a window's object through GWLP_USERDATA, which must carry the
// whole pointer: a 32-bit slot would cut a 64-bit address.
TEST(WidthWindowData, UserDataHoldsTheWholeObjectPointer) {
    CTestHost host;
    ASSERT_TRUE(host.CreateShown(50, 40));
    const LONG_PTR bound = ::GetWindowLongPtrW(host, GWLP_USERDATA);
    EXPECT_EQ(bound, reinterpret_cast<LONG_PTR>(static_cast<CMessageMap*>(&host)));
    EXPECT_EQ(window_binding::Find(host), static_cast<CMessageMap*>(&host));

    // An address above 2 GiB, and in 64 bits above 4 GiB, as a high heap's objects have.
    auto* highObject =
        reinterpret_cast<CMessageMap*>(static_cast<uintptr_t>(UINT64_C(0x00007FF887654320)));
    window_binding::Bind(host, highObject);
    EXPECT_EQ(window_binding::Find(host), highObject);
    window_binding::Bind(host, &host);
    EXPECT_TRUE(host.DestroyWindow());
}
