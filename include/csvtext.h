// Fields of CSV text as RFC 4180 writes them.
#pragma once

#include <string>
#include <string_view>

namespace morvel {

// `text` as one CSV field: in double quotes, its quotes doubled, when it holds
// a comma, a quote or a line end; as it is otherwise.
std::string csvField(std::string_view text);

}  // namespace morvel
