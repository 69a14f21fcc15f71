// The trace on standard output: printf-style lines, each written out as soon as it ends,
// so a reader of a pipe sees it as it happens.
#pragma once

void trace(const char *format, ...) __attribute__((format(printf, 1, 2)));
