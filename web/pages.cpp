#include "pages.h"

#include <cstddef>

// Compiled in by the web build (cmake/embed.cmake), from data/komm1.rtf to data/komm6.rtf.
#define TT_PAGE(n)                           \
    extern const unsigned char komm##n[];    \
    extern const std::size_t komm##n##_size; \
    const std::string_view komm##n##_bytes(reinterpret_cast<const char*>(komm##n), komm##n##_size);
TT_PAGE(1)
TT_PAGE(2)
TT_PAGE(3)
TT_PAGE(4)
TT_PAGE(5)
TT_PAGE(6)
#undef TT_PAGE

std::span<const BuiltInPage> BuiltInPages() {
    static const BuiltInPage pages[] = {{"komm1.rtf", komm1_bytes}, {"komm2.rtf", komm2_bytes},
                                        {"komm3.rtf", komm3_bytes}, {"komm4.rtf", komm4_bytes},
                                        {"komm5.rtf", komm5_bytes}, {"komm6.rtf", komm6_bytes}};
    return pages;
}
