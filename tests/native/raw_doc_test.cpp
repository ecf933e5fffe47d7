#include <gtest/gtest.h>

#include <fstream>

#include "decode/raw_doc.h"
#include "tests/native/decode_test_support.h"

namespace {

TEST(DefaultPictureSize, FollowsFileSize) {
    struct Case {
        int64_t size;
        uint32_t w, h;
    };
    const Case cases[] = {
        {0, 0, 0},          {11, 0, 0},         {12, 4, 3},         {47, 4, 3},
        {48, 8, 6},         {1200, 40, 30},     {196608, 512, 384}, {307200, 640, 480},
        {350891, 640, 510}, {350892, 640, 512}, {int64_t(1) << 40, 640, 512},
    };
    for (const Case& c : cases) {
        uint32_t w = 99, h = 99;
        DefaultPictureSize(c.size, w, h);
        EXPECT_EQ(w, c.w) << c.size;
        EXPECT_EQ(h, c.h) << c.size;
    }
}

TEST(RawDoc, NewDocumentHasTheDefaultParameters) {
    const TempFile file(Bytes(1200, 7));
    const auto doc = file.Open();
    EXPECT_EQ(doc->m_offset, 0);
    EXPECT_EQ(doc->m_width, 40u);
    EXPECT_EQ(doc->m_height, 30u);
    EXPECT_FALSE(doc->m_invertY);
    EXPECT_EQ(doc->m_depth, Depth8);
    EXPECT_EQ(std::vector<int>(doc->m_bits, doc->m_bits + 4), (std::vector<int>{5, 6, 5, 0}));
    EXPECT_EQ(std::vector<int>(doc->m_shift, doc->m_shift + 4), (std::vector<int>{0, 8, 16, 24}));
    EXPECT_FALSE(doc->m_bigEndian);
    EXPECT_FALSE(doc->m_swapField);
    EXPECT_EQ(doc->m_linePad, 0u);
}

TEST(RawDoc, GetSizeReportsTheCurrentSize) {
    const TempFile file(Bytes(1234, 1));
    const auto doc = file.Open();
    int64_t size = -1;
    ASSERT_TRUE(doc->GetSize(size));
    EXPECT_EQ(size, 1234);
    // Another writer is allowed only where the platform does not lock the file; the size
    // must then follow.
#ifndef _WIN32
    {
        std::ofstream more(file.Path(), std::ios::binary | std::ios::app);
        more.write("abc", 3);
    }
    ASSERT_TRUE(doc->GetSize(size));
    EXPECT_EQ(size, 1237);
#endif
}

TEST(RawDoc, FileClosesWithTheLastSharedReference) {
    const TempFile file(Bytes(16, 0));
    std::shared_ptr<CRawDoc> view = file.Open();
    std::shared_ptr<CRawDoc> dialog = view;
    const FileHandle handle = view->m_hFile;
    ASSERT_TRUE(IsHandleOpen(handle));
    view.reset();
    EXPECT_TRUE(IsHandleOpen(handle));
    int64_t size = 0;
    EXPECT_TRUE(dialog->GetSize(size));
    EXPECT_EQ(size, 16);
    dialog.reset();
    EXPECT_FALSE(IsHandleOpen(handle));
}

}  // namespace
