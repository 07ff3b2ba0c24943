// The items that start a classic contacts file.
#include "palmfile/classic_address_file.h"

namespace tarvenne {

ClassicAddressFile::ClassicAddressFile() : AddressFile(ClassicLayout(), DefaultSchema(ClassicLayout(), 1, 2)) {}

ClassicAddressFile::ClassicAddressFile(const std::string& path) : ClassicAddressFile() { Load(path); }

bool ClassicAddressFile::IsOwnStart(const std::vector<std::uint8_t>& start) const {
    return start.size() >= 4 && DatReader::Le32(start.data()) == kVersionTag;
}

bool ClassicAddressFile::ReadStartItems(DatReader& in) {
    std::uint32_t tag = 0;
    std::string stored_path;  // read and dropped: the file is the one that was opened
    std::string_view header;
    if (!in.ReadUInt32(&tag) || (tag != kVersionTag && !in.Refuse(NotOwnLayout())) ||
        !in.ReadCString(&stored_path, LongestStoredPath(), "a stored file name") ||
        !in.ReadCountedText(&header))
        return false;
    // The first four lines are kept whole, however long: cutting them would lose what the
    // user's file holds. What follows the fourth line feed is dropped, as Palm Desktop does.
    std::size_t end = 0;
    for (int lines = 0; lines < 4 && end < header.size(); ++end)
        if (header[end] == '\n') ++lines;
    header_text_.assign(header.substr(0, end));
    return true;
}

bool ClassicAddressFile::WriteStartItems(const std::string& stored_path) {
    return WriteUInt32(kVersionTag) && WriteCString(stored_path) && WriteCString(header_text_);
}

}  // namespace tarvenne
