// The start address of a new web as a user types it, checked before anything is made for it.
#pragma once

#include <string>

namespace korvane {

// Without a scheme an address is an http one, as a browser takes it ("www.a.com/x",
// "localhost:8080/"): `address` is completed. A scheme other than http and https is refused by
// name, and so is an address without a host. Empty when the address is fine, else why it is not.
std::string CheckStartAddress(std::string& address);

}  // namespace korvane
