// The macro store and the definition status tables: which macros, DRCS
// characters and texture patterns are defined, and the end of a definition.
#pragma once

#include <cstdint>

namespace naplps {

// Macro store and definition status.
void set_MACRO(int name);
void set_PMACRO(int name);
void set_TMACRO(int name);
void set_DRCS_def(int name);
void set_Texture_def(int name);
void reset_MACRO(int name);
void reset_PMACRO(int name);
void reset_TMACRO(int name);
void reset_DRCS_def(int name);
void reset_Texture_def(int name);
int test_MACRO(int name);
int test_PMACRO(int name);
int test_TMACRO(int name);
int test_DRCS_def(int name);
int test_Texture_def(int name);
void init_Defined_Status();
void clearmacro();
void clearDRCS();
int chk_macro_break();
void defEnd();
void deleteMacro(int name);
void start_macro_def(int code, int name);

}  // namespace naplps
