// Data resources linked into the host build as byte arrays, where no
// executable resource section exists.
#pragma once

#include <cstddef>
#include <cstdint>

struct TEmbeddedResource {
    int Id;
    const uint8_t* Data;
    size_t Size;
};

extern const TEmbeddedResource EmbeddedResources[];
extern const size_t EmbeddedResourceCount;
