// The commentary pages built into the web edition (data/komm*.rtf), by file name.
#pragma once

#include <span>
#include <string_view>

struct BuiltInPage {
    const char* name;
    std::string_view bytes;
};

std::span<const BuiltInPage> BuiltInPages();
