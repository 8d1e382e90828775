#include "audio/file_buffer.h"

#include <string>

CUP_FileBuffer::CUP_FileBuffer(char* buffer, int bufferSize)
    : buffer(buffer), bufferSize(bufferSize) {}

CUP_FileBuffer::~CUP_FileBuffer() {
    Close();
}

void CUP_FileBuffer::Close() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
}

bool CUP_FileBuffer::Open(const char* path, std::ios_base::openmode flags) {
    Close();
    if (path == nullptr) {
        return false;
    }
    std::string mode;
    const bool in = (flags & std::ios_base::in) != 0;
    const bool out = (flags & std::ios_base::out) != 0;
    if (in && out) {
        mode = "r+";
    } else if (in) {
        mode = "r";
    } else if (out) {
        mode = "w";
    } else {
        return false;
    }
    if ((flags & std::ios_base::binary) != 0) {
        mode += "b";
    }
    file = std::fopen(path, mode.c_str());
    if (file == nullptr) {
        return false;
    }
    if (buffer != nullptr && bufferSize > 0) {
        std::setvbuf(file, buffer, _IOFBF, static_cast<std::size_t>(bufferSize));
    }
    return true;
}

CUP_FileBuffer::int_type CUP_FileBuffer::overflow(int_type c) {
    if (file == nullptr) {
        return traits_type::eof();
    }
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const int written = std::fputc(c, file);
    return written == EOF ? traits_type::eof() : written;
}

CUP_FileBuffer::int_type CUP_FileBuffer::underflow() {
    if (file == nullptr) {
        return traits_type::eof();
    }
    const int c = std::fgetc(file);
    if (c == EOF) {
        return traits_type::eof();
    }
    std::ungetc(c, file);
    return c;
}

CUP_FileBuffer::int_type CUP_FileBuffer::uflow() {
    if (file == nullptr) {
        return traits_type::eof();
    }
    const int c = std::fgetc(file);
    return c == EOF ? traits_type::eof() : c;
}

std::streamsize CUP_FileBuffer::xsgetn(char_type* s, std::streamsize n) {
    if (file == nullptr || n <= 0) {
        return 0;
    }
    return static_cast<std::streamsize>(std::fread(s, 1, static_cast<std::size_t>(n), file));
}

std::streamsize CUP_FileBuffer::xsputn(const char_type* s, std::streamsize n) {
    if (file == nullptr || n <= 0) {
        return 0;
    }
    return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<std::size_t>(n), file));
}

CUP_FileBuffer::pos_type CUP_FileBuffer::seekoff(off_type offset, std::ios_base::seekdir direction,
                                                 std::ios_base::openmode) {
    const pos_type failed = pos_type(off_type(-1));
    if (file == nullptr) {
        return failed;
    }
    int whence = SEEK_SET;
    if (direction == std::ios_base::cur) {
        whence = SEEK_CUR;
    } else if (direction == std::ios_base::end) {
        whence = SEEK_END;
    }
    // A failed seek must not look like a successful one at the old position.
    if (fseeko(file, static_cast<off_t>(offset), whence) != 0) {
        return failed;
    }
    const off_t position = ftello(file);
    return position < 0 ? failed : pos_type(off_type(position));
}

CUP_FileBuffer::pos_type CUP_FileBuffer::seekpos(pos_type position, std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

int CUP_FileBuffer::sync() {
    if (file != nullptr && std::fflush(file) != 0) {
        return -1;
    }
    return 0;
}
