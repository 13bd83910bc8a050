#include "tools/radio-sim/RadioImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::runtime_error Failure(const std::string& what, const std::string& path, int error) {
    return std::runtime_error(what + " " + path + ": " + std::strerror(error));
}

} // namespace

void TRadioImage::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("cannot open the image", path, errno);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure("cannot read the image", path, errno);
    if (bytes.size() != Size)
        throw std::runtime_error("the image " + path + " holds " + std::to_string(bytes.size()) +
                                 " bytes instead of " + std::to_string(Size));
    std::memcpy(Bytes.data(), bytes.data(), Size);
}

void TRadioImage::Save(const std::string& path) const {
    const std::string temporary = path + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw Failure("cannot create", temporary, errno);
    std::size_t done = 0;
    int error = 0;
    while (done < Size) {
        const ssize_t put = write(fd, Bytes.data() + done, Size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            error = put < 0 ? errno : EIO;
            break;
        }
        done += std::size_t(put);
    }
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        throw Failure("cannot save the image", path, error);
    }
}

bool TRadioImage::Read(std::size_t address, std::size_t count, std::string& bytes) const {
    if (address > Size || count > Size - address) return false;
    bytes.assign(reinterpret_cast<const char*>(Bytes.data()) + address, count);
    return true;
}

bool TRadioImage::Write(std::size_t address, const std::string& bytes) {
    if (address > Size || bytes.size() > Size - address) return false;
    std::memcpy(Bytes.data() + address, bytes.data(), bytes.size());
    return true;
}
