#include "efi/Freestanding.h"

#include <stddef.h>
#include <stdint.h>

// Built with -fno-tree-loop-distribute-patterns, so that the compiler does
// not turn these loops into calls to themselves.

namespace {

EFI_BOOT_SERVICES *Boot;

// Each block starts with its size, for realloc; 16 bytes keep the pool's
// alignment.
constexpr size_t Header = 16;

} // namespace

void UseBootServices(EFI_BOOT_SERVICES *boot)
{
    Boot = boot;
}

extern "C" {

void *memcpy(void *destination, const void *source, size_t size)
{
    auto *to = static_cast<unsigned char *>(destination);
    const auto *from = static_cast<const unsigned char *>(source);
    for (; size >= 8; size -= 8, to += 8, from += 8) {
        uint64_t word;
        __builtin_memcpy(&word, from, 8);
        __builtin_memcpy(to, &word, 8);
    }
    while (size--) {
        *to++ = *from++;
    }
    return destination;
}

void *memmove(void *destination, const void *source, size_t size)
{
    auto *to = static_cast<unsigned char *>(destination);
    const auto *from = static_cast<const unsigned char *>(source);
    if (to <= from || to >= from + size) {
        return memcpy(destination, source, size);
    }
    while (size--) {
        to[size] = from[size];
    }
    return destination;
}

void *memset(void *destination, int value, size_t size)
{
    auto *to = static_cast<unsigned char *>(destination);
    const uint64_t word = 0x0101010101010101u * static_cast<unsigned char>(value);
    for (; size >= 8; size -= 8, to += 8) {
        __builtin_memcpy(to, &word, 8);
    }
    while (size--) {
        *to++ = static_cast<unsigned char>(value);
    }
    return destination;
}

int memcmp(const void *left, const void *right, size_t size)
{
    const auto *a = static_cast<const unsigned char *>(left);
    const auto *b = static_cast<const unsigned char *>(right);
    for (size_t i = 0; i < size; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    return 0;
}

size_t strlen(const char *text)
{
    size_t length = 0;
    while (text[length]) {
        ++length;
    }
    return length;
}

void *malloc(size_t size)
{
    void *block = nullptr;
    if (size > SIZE_MAX - Header || Boot->AllocatePool(EfiLoaderData, size + Header, &block) != EFI_SUCCESS) {
        return nullptr;
    }
    *static_cast<size_t *>(block) = size;
    return static_cast<unsigned char *>(block) + Header;
}

void free(void *memory)
{
    if (memory) {
        Boot->FreePool(static_cast<unsigned char *>(memory) - Header);
    }
}

void *realloc(void *memory, size_t size)
{
    void *moved = malloc(size);
    if (!moved || !memory) {
        return moved;
    }
    const size_t old = *reinterpret_cast<size_t *>(static_cast<unsigned char *>(memory) - Header);
    memcpy(moved, memory, old < size ? old : size);
    free(memory);
    return moved;
}

} // extern "C"
