#include "web/decode_text.h"

#include <gtest/gtest.h>

TEST(DecodeText, Placeholder) { EXPECT_EQ(tidewell::web::DecodeText("a"), "a"); }
