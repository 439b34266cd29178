// What the project's patch of the framework (cmake/patches/juce-utf8-bounds.patch) mends
// beyond the walks over ill-formed UTF-8 that the juce_text fuzz target and the odd-name
// listing case cover: strings made of an empty range or of a null pointer, and a memory
// stream that grows past 4 GiB. Linux only (tests/text is not part of the Windows build's
// tests).

#include <gtest/gtest.h>

#include <juce_core/juce_core.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{
    /** Words of a fixed pattern, as many as asked for, from a stream that does not know its
        length (as a device or a pipe reads): the framework can size nothing in advance.
    */
    class PatternStream final : public juce::InputStream
    {
    public:
        explicit PatternStream (juce::int64 lengthToGive) : length (lengthToGive) {}

        /** The word at the given index: the index times an odd constant, so no two words are alike. */
        static uint64_t wordAt (uint64_t index) { return index * 0x9e3779b97f4a7c15ull; }

        juce::int64 getTotalLength() override  { return -1; }
        bool isExhausted() override             { return position >= length; }
        juce::int64 getPosition() override      { return position; }
        bool setPosition (juce::int64) override { return false; }

        // Whole words: the framework asks for 8 KiB at a time, and the length is a multiple of 8.
        int read (void* destBuffer, int maxBytesToRead) override
        {
            const auto numBytes = (int) juce::jmin ((juce::int64) maxBytesToRead, length - position) & ~7;

            for (int i = 0; i < numBytes; i += 8)
            {
                const auto word = wordAt ((uint64_t) (position + i) / 8);
                std::memcpy (static_cast<char*> (destBuffer) + i, &word, sizeof (word));
            }

            position += numBytes;
            return numBytes;
        }

    private:
        const juce::int64 length;
        juce::int64 position = 0;
    };

    /** MemAvailable of /proc/meminfo: what the system can hand out without swapping, or -1. */
    juce::int64 availableMemory()
    {
        std::ifstream meminfo ("/proc/meminfo");
        std::string name, unit;
        juce::int64 kibibytes = 0;

        while (meminfo >> name >> kibibytes >> unit)
            if (name == "MemAvailable:")
                return kibibytes * 1024;

        return -1;
    }
}

// GCC names the sanitizer it builds with in __SANITIZE_...__, clang in __has_feature only.
#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
 #define DREMLOR_UNDER_SANITIZER 1
#elif defined (__has_feature)
 #define DREMLOR_UNDER_SANITIZER (__has_feature (address_sanitizer) || __has_feature (thread_sanitizer))
#endif

TEST (FrameworkText, EmptyRangesAndNullPointersMakeEmptyStringsWithoutAReadPastTheirEnd)
{
    // Each buffer is a heap block of exactly its size, so that the address sanitizer
    // reports a read of the byte after it.
    const auto bom = std::make_unique<char[]> (3);
    std::memcpy (bom.get(), "\xef\xbb\xbf", 3);
    const auto* bomEnd = bom.get() + 3;

    const auto units = std::make_unique<juce::CharPointer_UTF16::CharType[]> (1);
    units[0] = 'a';
    const auto* unitsEnd = units.get() + 1;

    const std::pair<const char*, juce::String> cases[] =
    {
        // The byte-order mark is skipped, and the rest is the empty range at the block's end.
        { "a byte-order mark and nothing else", juce::String::createStringFromData (bom.get(), 3) },
        { "an empty UTF-8 range at the end",    juce::String (juce::CharPointer_UTF8 (bomEnd), juce::CharPointer_UTF8 (bomEnd)) },
        { "an empty UTF-16 range at the end",   juce::String (juce::CharPointer_UTF16 (unitsEnd), juce::CharPointer_UTF16 (unitsEnd)) },
        { "five characters of a null pointer",  juce::String (juce::CharPointer_UTF8 (nullptr), 5) },
    };

    for (const auto& [what, text] : cases)
        EXPECT_TRUE (text.isEmpty()) << what;
}

// A stream of unknown length read whole as File::loadFileAsData reads a file (a link to a
// device reads so): the block grows as the bytes come, past 4 GiB, and keeps every byte.
// Run apart from other tests (cmake/Tests.cmake), for the memory it takes.
TEST (FrameworkMemoryOutputStream, AStreamOfUnknownLengthIsReadWholePast4GiB)
{
    // Past 4 GiB by more than one step of the block's growth (1 MiB).
    constexpr auto length = (juce::int64) (((uint64_t) 1 << 32) + (3 << 20) + 8);
    constexpr auto memoryNeeded = length + ((juce::int64) 1 << 30);

   #if DREMLOR_UNDER_SANITIZER
    GTEST_SKIP() << "needs its block to grow in place: a sanitizer's realloc copies the whole block at each "
                    "1 MiB step of the growth, so the time grows with the square of the size (hours for 4 GiB)";
   #endif

    if (const auto available = availableMemory(); available < memoryNeeded)
        GTEST_SKIP() << "needs " << (memoryNeeded >> 20) << " MiB of free memory; MemAvailable in /proc/meminfo is "
                     << (available < 0 ? juce::String ("unreadable") : juce::String (available >> 20) + " MiB");

    juce::MemoryBlock block;
    PatternStream stream (length);
    ASSERT_EQ (stream.readIntoMemoryBlock (block), (size_t) length);
    ASSERT_EQ (block.getSize(), (size_t) length);

    // The first word of each MiB, the words on either side of 4 GiB and the last one.
    std::vector<uint64_t> offsets { ((uint64_t) 1 << 32) - 8, (uint64_t) 1 << 32, (uint64_t) length - 8 };

    for (uint64_t offset = 0; offset < (uint64_t) length; offset += 1 << 20)
        offsets.push_back (offset);

    int numWrong = 0;

    for (const auto offset : offsets)
    {
        uint64_t word;
        std::memcpy (&word, static_cast<const char*> (block.getData()) + offset, sizeof (word));
        numWrong += word != PatternStream::wordAt (offset / 8) ? 1 : 0;
    }

    EXPECT_EQ (numWrong, 0) << "of " << offsets.size() << " words read back";
}
