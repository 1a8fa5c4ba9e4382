#pragma once

// What the fuzz harnesses share: a check that ends the run, so that libFuzzer
// keeps the input that broke it, and the cutting of an input into fields.

#include <QByteArrayView>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zumivok::fuzz {

inline void check(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

// Takes the bytes before the first NUL off the front of input, and the NUL
// with them. Without a NUL the field is empty and input stays whole.
inline QByteArrayView takeField(QByteArrayView &input)
{
    // An empty view may point at nothing, and memchr must not be given null
    // even for no bytes.
    if (input.isEmpty())
        return {};
    const void *nul = std::memchr(input.data(), '\0', size_t(input.size()));
    if (!nul)
        return {};
    const qsizetype length = static_cast<const char *>(nul) - input.data();
    const QByteArrayView field = input.first(length);
    input = input.sliced(length + 1);
    return field;
}

// The first byte of input, 0 when it is empty; taken off the front.
inline unsigned char takeByte(QByteArrayView &input)
{
    if (input.isEmpty())
        return 0;
    const auto byte = static_cast<unsigned char>(input.front());
    input = input.sliced(1);
    return byte;
}

// Where the harnesses that need files make a folder for each input: on
// tmpfs where there is one, so that syncing costs nothing.
inline QString folderRoot()
{
    static QTemporaryDir root(QDir(QStringLiteral("/dev/shm")).exists()
                                  ? QStringLiteral("/dev/shm/zumivok-fuzz-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/zumivok-fuzz-XXXXXX"));
    check(root.isValid(), "a folder for the files");
    return root.path();
}

} // namespace zumivok::fuzz
