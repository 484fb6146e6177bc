// A document as HTML, for the web edition's page panels: one <p> per paragraph, with its
// alignment, indents and spacing, and its runs as <span>s with their font, size, weight, slant,
// lines and colours. Everything the document says is text: it is escaped, never markup.
#pragma once

#include <string>

#include "richtext/rtf.h"

namespace richtext {

std::string ToHtml(const Document& doc);

}  // namespace richtext
