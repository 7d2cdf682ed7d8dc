// The 8-bit code page where there is no Windows code page: Windows-1252 through iconv.
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "Payloads.h"

namespace pace {

namespace {

class Converter {
public:
    Converter() : Cd_(iconv_open("WINDOWS-1252", "UTF-8")) {
        if (Cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("The Windows-1252 code page is not available");
    }
    ~Converter() { iconv_close(Cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t Get() const { return Cd_; }

private:
    iconv_t Cd_;
};

// The length of the UTF-8 sequence that starts with `lead` (1 for a byte that starts none).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    return 1;
}

}  // namespace

std::string ToAnsiCodePage(std::string_view utf8) {
    Converter converter;
    std::string out;
    // A Windows-1252 character is never longer than its UTF-8 form.
    std::string buffer(utf8.size(), '\0');
    auto* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        if (result != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL)
            throw std::runtime_error("Code page conversion failed");
        // A character the code page cannot hold (or a broken sequence): one '?' for it.
        out += '?';
        std::size_t skip = SequenceLength(static_cast<unsigned char>(*in));
        if (skip > inLeft) skip = inLeft;
        for (std::size_t i = 1; i < skip; ++i) {
            if ((static_cast<unsigned char>(in[i]) & 0xC0) != 0x80) {
                skip = i;
                break;
            }
        }
        in += skip;
        inLeft -= skip;
        iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace pace
