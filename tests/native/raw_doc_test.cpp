#include <gtest/gtest.h>
#include "decode/raw_doc.h"
TEST(DefaultPictureSize, FollowsFileSize) {
  struct Case { int64_t size; uint32_t w, h; };
  const Case cases[] = {{0,0,0},{11,0,0},{12,4,3},{47,4,3},{48,8,6},{1200,40,30},{196608,512,384},
                        {307200,640,480},{350891,640,510},{350892,640,512},{int64_t(1)<<40,640,512}};
  for (const Case& c : cases) {
    uint32_t w = 99, h = 99;
    DefaultPictureSize(c.size, w, h);
    EXPECT_EQ(w, c.w) << c.size;
    EXPECT_EQ(h, c.h) << c.size;
  }
}
