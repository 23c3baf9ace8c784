// Builds D64 images in memory: format, add files along a chain, set BAM bits,
// patch bytes.  Used by the tests, the benchmarks and the sample disks.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dyskel {

class D64Builder {
  public:
    struct Address {
        int track;
        int sector;
    };

    // A freshly formatted disk: header and BAM at 18/0, an empty directory
    // block at 18/1, every block of tracks 1-35 free but 18/0 and 18/1 (664
    // blocks free outside track 18).
    // tracks is 35 or 40; errorBytes appends an error byte per block (683 or
    // 768), each 1: the block read well.
    explicit D64Builder(const std::string& diskName = "TEST DISK", const std::string& id = "01",
                        int tracks = 35, bool errorBytes = false);

    std::vector<std::uint8_t>& Bytes() { return image_; }
    const std::vector<std::uint8_t>& Bytes() const { return image_; }
    std::uint8_t* Block(int track, int sector);
    std::uint8_t* Header() { return Block(18, 0); }

    // Marks a block free or used in the BAM (tracks 1-35), keeping the
    // track's free count right.
    void SetFree(int track, int sector, bool free);
    bool IsFree(int track, int sector);

    // Writes data along a chain of free blocks (or the given blocks), marks
    // them used and adds a directory entry.  For a PRG the data start with the
    // load address.  typeByte e.g. 0x82 (closed PRG), 0xC2 (locked PRG), 0x81
    // (SEQ).  sizeBlocks < 0 writes the chain's real length.  Returns the first
    // block.
    Address AddFile(const std::string& name, std::uint8_t typeByte, const std::vector<std::uint8_t>& data,
                    std::vector<Address> blocks = {}, int sizeBlocks = -1);

    // A PRG file: load address then the code.
    Address AddPrg(const std::string& name, std::uint16_t loadAddress, const std::vector<std::uint8_t>& code,
                   bool locked = false);

    // Writes a raw directory entry (type, first block, name, size) in the next
    // free slot; returns (sector, offset) of the entry on track 18.
    std::pair<int, int> AddDirEntry(std::uint8_t typeByte, Address first, const std::string& name,
                                    int sizeBlocks);

    // Allocates the next free block (tracks 1-35 but 18, lowest first), marks
    // it used.  Throws when the disk is full.
    Address Allocate();

    bool Save(const std::string& path) const;

  private:
    std::vector<std::uint8_t> image_;
    int tracks_;
};

} // namespace dyskel
