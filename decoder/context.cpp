// Switching the live state between pictures: the subsystems work on their
// one instance each (dec, ip, txt, ras, img), and a picture's context is
// copied in before its bytes are decoded and out afterwards.
#include "decoder/context.h"

namespace naplps {

void context_enter(const PictureContext &ctx) {
    dec = ctx.dec;
    ip = ctx.ip;
    txt = ctx.txt;
    ras = ctx.ras;
    img = ctx.img;
}

void context_leave(PictureContext &ctx) {
    ctx.dec = dec;
    ctx.ip = ip;
    ctx.txt = txt;
    ctx.ras = ras;
    ctx.img = img;
}

}  // namespace naplps
