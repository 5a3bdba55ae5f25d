// Byte strings and the temporary string area.
//
// Strings are zero-terminated bytes; null is the empty string.  Intermediate
// results are built in one 64000-byte scratch block with stack discipline:
// every producing operation writes its result at `top` and leaves `top` at the
// result's terminating zero, so the next result continues it.  An expression
// saves `top` before it starts and sets it back when its value is consumed;
// only assigned values are copied into owned blocks of the program heap.
//
// Nothing is ever written beyond the area: a result that does not fit into
// the room left is cut at the end of the area, which keeps its last byte for
// the terminating zero.
#pragma once

#include <cstdint>

namespace runtime {

constexpr std::int32_t kTemporaryAreaSize = 64000;

void InitStrings();
// Forgets the area (the program heap that held it is gone).
void ResetStrings();

char* TemporaryTop();
void SetTemporaryTop(char* top);
// Keeps the result that ends at `top` while the next one is built: `top`
// moves one byte past its terminating zero.
void ProtectTemporary();
char* TemporaryAreaStart();
char* TemporaryAreaEnd();  // one past the last byte

// Appends one byte at `top` if there is room (one byte always stays free
// for the terminating zero); false when the byte was dropped.
bool PushTemporaryByte(char c);
// Writes the terminating zero at `top`.
void TerminateTemporary();

char* AppendString(const char* s);
void AssignString(char** variable, char* start);
void FreeString(char* s);
std::int32_t StringLength(const char* s);
char* LeftPart(const char* s, std::int32_t n);
char* RightPart(const char* s, std::int32_t n);
char* MidPart(const char* s, std::int32_t position, std::int32_t n);
// dest may be s itself (converted in place); otherwise the result goes to `top`.
char* UpperCase(const char* s, char* dest);
std::int32_t ParseInt(const char* s);
float ParseFloat(const char* s);
std::int32_t StringEquals(const char* a, const char* b);

}  // namespace runtime
