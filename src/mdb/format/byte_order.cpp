#include "format/byte_order.h"

namespace mdb {

void failPastEnd(std::size_t size, std::size_t offset) {
    throw Error(Error::Kind::Corrupt, "a field at offset " + std::to_string(offset) +
                                          " reaches past the end of its " + std::to_string(size) +
                                          "-byte block");
}

}  // namespace mdb
