#pragma once
// The text pass: PS pages (group 0A) interleaved with the two RadioTexts (group 2A), so
// that a receiver sees the station name while a long RadioText is still coming in.

#include "ImageWriter.h"
#include "StationData.h"
#include "TextComposition.h"

// Writes the pass from the writer's position until both texts are done or the image is full.
void WriteTextPass(CImageWriter& writer, const StationData& data, const ComposedText& texts);
