#pragma once

#include <cstdio>
#include <ios>
#include <streambuf>

// A byte stream buffer over a C FILE stream, wrapped by an istream for the readers and an
// ostream for the writers. It serves unformatted reads, writes, seeks and position queries.
class CUP_FileBuffer : public std::streambuf {
public:
    // The storage is the owner's and outlives the stream; it becomes the FILE's buffer.
    CUP_FileBuffer(char* buffer, int bufferSize);
    CUP_FileBuffer(const CUP_FileBuffer&) = delete;
    CUP_FileBuffer& operator=(const CUP_FileBuffer&) = delete;
    ~CUP_FileBuffer() override;

    // Opens for reading (in) or writing (out), binary when asked; closes a file already open.
    bool Open(const char* path, std::ios_base::openmode flags);
    bool IsOpen() const { return file != nullptr; }

protected:
    int_type overflow(int_type c) override;
    int_type underflow() override;
    int_type uflow() override;
    std::streamsize xsgetn(char_type* s, std::streamsize n) override;
    std::streamsize xsputn(const char_type* s, std::streamsize n) override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;
    int sync() override;

private:
    void Close();

    char* buffer;
    int bufferSize;
    std::FILE* file = nullptr;
};
