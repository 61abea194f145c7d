// The context of one picture: the state of every subsystem that a stream
// changes (decoder, drawing state, text, raster and image request). Each
// plug-in instance keeps its own; a picture decoded from its first byte
// starts from a default-constructed one, the state at load time.
#pragma once

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "image/state.h"
#include "interp/state.h"
#include "raster/raster.h"
#include "text/state.h"

namespace naplps {

struct PictureContext {
    Decoder dec;
    Interp ip;
    Text txt;
    Raster ras;
    Image img;
};

// Makes `ctx` the live state of the decoder and everything below it.
void context_enter(const PictureContext &ctx);
// Stores the live state into `ctx`, so a later context_enter goes on from
// exactly here.
void context_leave(PictureContext &ctx);

}  // namespace naplps
