// Inputs the fuzz targets (tests/fuzz/*_fuzz.cpp) once broke, kept so the faults stay mended.
#include <gtest/gtest.h>

#include <string>

#include "collect/text/text_between.h"

namespace {

using tidewell::text::TextBetween;

}  // namespace
