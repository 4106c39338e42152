// The socket layer's exception: carries only its message text.
#pragma once

#include <stdexcept>

namespace varnel::socket {

class ESocketException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace varnel::socket
