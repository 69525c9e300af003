// libFuzzer entry for the HEIF reader; the oracle is FuzzContainer's.

#include "ContainerOracle.h"
#include "imaging/Heif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return korvo::fuzz::FuzzContainer(
        data, size,
        [](const std::uint8_t* bytes, std::size_t length, korvo::DecodeScope scope, korvo::TDecodedPicture& picture) {
            return korvo::ReadHeifMemory(bytes, length, scope, picture);
        },
        false);
}
