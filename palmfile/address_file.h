// What both layouts of the Palm Desktop contacts file share: loading a file whole into
// memory (its own items, the category block, the schema block, every record, and the bytes
// after the last record), and saving it back whole, all at once, after a backup copy.
// ClassicAddressFile and PalmSgAddressFile add only the items that start their files.
#pragma once

#include "palmfile/category_table.h"
#include "palmfile/dat_stream.h"
#include "palmfile/palm_record.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvenne {

struct FileSchema {
    std::uint32_t resource_id = 74;
    std::uint32_t fields_per_record = 0;
    std::uint32_t record_id_position = 0;
    std::uint32_t status_position = 0;
    std::uint32_t placement_position = 0;
    std::uint16_t field_count = 0;
    std::uint16_t field_tags[kMaxRecordFields] = {};
};

class AddressFile : public DatStream {
public:
    ~AddressFile() override = default;

    // The user's address\address.dat under the folder Palm Desktop keeps for that user.
    bool LoadForUser(std::int32_t user_id);
    // That file's path; false when Palm Desktop knows no folder for the user.
    static bool UserFilePath(std::int32_t user_id, std::string* path);
    // Reads the whole file. Refused (false, nothing on disk changed, LastError() says why):
    // a file that cannot be opened, one of the other layout, a damaged or cut file, more
    // than 256 MiB. The records read before a damaged one stay in the list; a save is
    // refused until a load succeeds.
    bool Load(const std::string& path);
    // The same reading over bytes that never were a file (the path does not change).
    bool LoadBytes(std::vector<std::uint8_t> bytes);
    // For callers that need each record once, in file order (the export): reads the file
    // opened for reading only through a window of a few MiB, however large it is, and
    // hands every record to visit (valid during the call; visit returns false to stop).
    // With check_first the file is read through once before, so a damaged file hands on
    // nothing. The items before the records are read as Load reads them, and it fails as
    // Load fails, with the same reasons; the object holds no records afterwards.
    using RecordVisitor = std::function<bool(const PalmRecord&)>;
    bool VisitRecords(const std::string& path, bool check_first, const RecordVisitor& visit);

    // Saves to the file that was loaded.
    bool Save() { return SaveAs(loaded_path_); }
    // Replaces the content of the existing file at path with what the object holds, after
    // the backup copy path + ".xbk"; never creates a file, and a failed save leaves the
    // file as it was. Refused while the object holds no completely loaded file, and when the
    // file no longer holds exactly the bytes that were loaded (or that the last save here
    // wrote): another program wrote it meanwhile, and writing over it would lose that
    // (LastSaveFailure() is then kChangedOnDisk; nothing is written, the backup stays).
    // The bytes are compared, not the time: a file only touched still saves.
    virtual bool SaveAs(const std::string& path);
    // The whole file as a save writes it, with stored_path in its file-name item.
    bool BuildContent(const std::string& stored_path, std::vector<std::uint8_t>* content);

    // Drops the records; the object then holds no loaded file until the next load.
    void ReleaseRecords() {
        records_.Clear();
        written_.clear();
        saved_since_load_ = false;
        loaded_ = false;
    }

    // The last load succeeded (and so a save may write what the object holds).
    bool Loaded() const { return loaded_; }
    bool SwapNames() const { return swap_names_; }
    void SetSwapNames(bool swap) { swap_names_ = swap; }
    RecordList& Records() { return records_; }
    const RecordList& Records() const { return records_; }
    const RecordLayout& Layout() const { return records_.Layout(); }
    const CategoryTable* Categories() const { return categories_.get(); }
    // The name of the record's category; empty when the table has no such category.
    std::string CategoryNameOf(const PalmRecord& record) const;
    const FileSchema& Schema() const { return schema_; }
    // Bytes that followed the last record in the file read; written back after the records.
    const std::vector<std::uint8_t>& TrailingBytes() const { return trailing_; }
    // The file the last successful load read (and a successful SaveAs wrote).
    const std::string& LoadedPath() const { return loaded_path_; }
    // The file the last load tried, whether it succeeded or not.
    const std::string& PathTried() const { return path_tried_; }

protected:
    AddressFile(const RecordLayout& layout, const FileSchema& defaults);
    // The schema of a new file of the layout: a full row, each position tagged by its kind.
    static FileSchema DefaultSchema(const RecordLayout& layout, std::uint32_t status_position,
                                    std::uint32_t placement_position);

    // How many first bytes tell the layout, and whether they are this layout's: checked
    // before the rest of a file is read, so the other layout's file costs no full read.
    virtual std::size_t StartBytes() const = 0;
    virtual bool IsOwnStart(const std::vector<std::uint8_t>& start) const = 0;
    virtual const char* NotOwnLayout() const = 0;
    // The layout's items before the category block.
    virtual bool ReadStartItems(DatReader& in) = 0;
    virtual bool WriteStartItems(const std::string& stored_path) = 0;
    // The longest path the file's name item holds when it is read back.
    virtual std::size_t LongestStoredPath() const = 0;

private:
    bool Parse(std::vector<std::uint8_t>&& image);
    bool ReadSchema(DatReader& in);
    bool ReadRecords(DatReader& in);
    // One walk of VisitRecords through the open file; visit null only reads.
    bool WalkRecords(const RecordVisitor* visit);
    bool WriteSchema();
    bool WriteRecords();

    const FileSchema defaults_;
    std::unique_ptr<CategoryTable> categories_;  // none until the first load
    bool swap_names_ = false;
    bool loaded_ = false;
    FileSchema schema_;
    RecordList records_;
    std::vector<std::uint8_t> trailing_;
    // What the last successful save wrote; until then the file holds the loaded bytes.
    std::vector<std::uint8_t> written_;
    bool saved_since_load_ = false;
    std::string loaded_path_;
    std::string path_tried_;
};

}  // namespace tarvenne
