// Operand decoding: the raw 7-bit operand bytes of an instruction into the
// values of the decoded record, at the operand lengths in force.
#pragma once

#include <cstdint>

namespace naplps {

// Operand decoding.
void pdiana(const uint8_t *pdidata, int len, int32_t *data);
int getmul(const uint8_t *bytes, int pos, int len, int32_t *out);
int getsng(const uint8_t *bytes, int pos, int len, int32_t *out);
int getcolor(const uint8_t *bytes, int pos, int len, int32_t *out);
void Anadata_RESET(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_DOMAIN(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_TEXT(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_TEXTURE(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_coordinate(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_SETCOLOR(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_WAIT(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_SELECTCOLOR(const uint8_t *pdidata, int len, int32_t *data);
void Anadata_BLINK(const uint8_t *pdidata, int len, int32_t *data);
// Operand lengths in force; a length of 0 (before the first RESET or
// DOMAIN) is decoded as the default domain: 3 for multi-value operands, 1
// for single values.
int effMulLen();
int effSngLen();

}  // namespace naplps
