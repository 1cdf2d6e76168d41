#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Failure.h"
#include "core/Log.h"
#include "core/Startup.h"

// The program's only contact with disk hardware. Whatever sits underneath
// (FDRawCmd on Windows, the kernel floppy driver on Linux, a simulated drive
// for tests), the rest of the program sees these four operations and the
// error codes of one table, so users read the same texts on every platform.
//
// Error codes are Windows system error codes; an implementation that talks to
// something else maps its own failures onto them.
class modFDRawCmd {
public:
    virtual ~modFDRawCmd() = default;
    modFDRawCmd(const modFDRawCmd&) = delete;
    modFDRawCmd& operator=(const modFDRawCmd&) = delete;

    // True when the driver is there and its version word has the high half
    // 0x0100. version receives the driver's answer whenever the driver could
    // be asked at all, and keeps the caller's value otherwise.
    [[nodiscard]] virtual bool IsDriverPresent(std::uint32_t& version) = 0;

    // True when the drive answered. On a refused request sErrorText receives
    // DriveErrorText of the code; when the drive's device cannot even be
    // opened the result is false and sErrorText is left as it was.
    [[nodiscard]] virtual bool SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) = 0;

    // Reads sectors 0..17 of one side of one cylinder. On success data is
    // re-dimensioned to exactly TrackLength(lSizeCode) bytes and lErrorCode /
    // sErrorText are left alone; on failure data is left alone and the two
    // describe the request that failed. Under bDoubleStep the seek goes to
    // cylinder 2 × cylinder while the read still names cylinder.
    [[nodiscard]] virtual bool ReadSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                               std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                               std::string& sErrorText, std::int32_t lSizeCode,
                                               bool bDoubleStep);

    // Reads the one sector whose ID names cylinder, head and sector R, with the
    // same conventions as ReadSingleTrack: on success data is re-dimensioned
    // to 128 << lSizeCode bytes. Drivers that cannot address a single sector
    // refuse with Invalid Parameter.
    [[nodiscard]] virtual bool ReadSingleSector(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                                std::uint8_t sector, std::vector<std::uint8_t>& data,
                                                std::int32_t& lErrorCode, std::string& sErrorText,
                                                std::int32_t lSizeCode, bool bDoubleStep);

    // True when the drive answered; then bProtected says whether the disk in
    // it refuses writes. A drive that cannot say (no such device, no disk)
    // answers false with sErrorText as SenseDriveStatus leaves it.
    [[nodiscard]] virtual bool IsWriteProtected(std::uint8_t drive, bool& bProtected,
                                                std::string& sErrorText);

    // Lays one side of one cylinder down as an Opus formats it: 18 sectors of
    // 128 << lSizeCode bytes, IDs 0..17 in the physical order of
    // fdraw::kOpusPhysicalOrder, holding data (exactly TrackLength(lSizeCode) bytes) in
    // ID order. Seeks as ReadSingleTrack does. On failure lErrorCode and
    // sErrorText describe the request that failed; what the side then holds
    // is unknown. Drivers that cannot write refuse with Invalid Parameter.
    [[nodiscard]] virtual bool WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                                const std::vector<std::uint8_t>& data,
                                                std::int32_t& lErrorCode, std::string& sErrorText,
                                                std::int32_t lSizeCode, bool bDoubleStep);

    // Leaves the physical cylinder without flux on head's side, so that a
    // wide head finds nothing beside a narrow track written next to it.
    [[nodiscard]] virtual bool EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder,
                                          std::uint8_t head, std::int32_t& lErrorCode,
                                          std::string& sErrorText);

    // What keeps the driver from its device, as a sentence for the user (a
    // port that cannot be opened, a device that no longer answers); empty
    // when the device answers or the driver has nothing to say.
    [[nodiscard]] virtual std::string DeviceProblem() const { return {}; }

    // "CRC Error (0x00000017)": the table's name of the code (or "Unknown
    // Error Code"), then the code as eight upper-case hex digits, negative
    // codes in their 32-bit two's complement.
    [[nodiscard]] static std::string DriveErrorText(std::int32_t lCode);

protected:
    explicit modFDRawCmd(ActivityLog* log) : m_log(log) {}

    // Unexpected faults inside IsDriverPresent and ReadSingleTrack are logged
    // in their form ("... ) in ReadSingleTrack at line 3"); the operation
    // then returns what it had reached.
    void trap(const Failure& f, const char* procedure, int step) const;

    // One raw read as the caller asked for it: sectors 0..17 of a side, or one sector.
    struct RawRead {
        std::uint8_t drive = 0;
        std::uint8_t cylinder = 0;
        std::uint8_t head = 0;
        std::optional<std::uint8_t> sector;  // none: the whole track
        std::int32_t lSizeCode = 0;
        bool bDoubleStep = false;

        [[nodiscard]] const char* procedure() const {
            return sector ? "ReadSingleSector" : "ReadSingleTrack";
        }
        [[nodiscard]] std::uint8_t firstSector() const { return sector.value_or(0); }
        [[nodiscard]] int sectorCount() const;
    };

    // What each driver does for a read: the seek and the read itself into
    // buffer, which arrives sized for the request, advancing step (2 open, 3
    // seek, 4 read). Returns 0 or the drive's code; a Failure is a fault.
    [[nodiscard]] virtual std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                               int& step) = 0;

    // A sentence that says more about the failing read than its code does
    // ("the device sent more flux than was asked for"): runRead reports it
    // as the error text in place of the code's name.
    void explainFailure(std::string sReason) { m_sFailureReason = std::move(sReason); }

    // The frame every raw read shares: request's buffer is sized (an invalid
    // size code is a fault at step 1) and readRaw fills it. On 0 data
    // receives the bytes; on another code lErrorCode and sErrorText describe
    // it (or the reason readRaw explained); a fault is trapped under the
    // request's procedure at the step reached and the result is false.
    [[nodiscard]] bool runRead(const RawRead& request, std::vector<std::uint8_t>& data,
                               std::int32_t& lErrorCode, std::string& sErrorText);

    // The same frame for a write or an erase: write returns 0 or the drive's
    // code (with the reason it explained, if any), advancing step; a fault is
    // trapped under procedure.
    using RawWrite = std::function<std::int32_t(int& step)>;
    [[nodiscard]] bool runWrite(const char* procedure, std::int32_t& lErrorCode, std::string& sErrorText,
                                const RawWrite& write);

private:
    ActivityLog* m_log;
    std::string m_sFailureReason;
};

// Windows system error codes the drivers report.
namespace fderr {
inline constexpr std::int32_t InvalidHandle = 6;  // no device behind the drive number
inline constexpr std::int32_t WriteProtect = 19;
inline constexpr std::int32_t NotReady = 21;
inline constexpr std::int32_t Crc = 23;
inline constexpr std::int32_t Seek = 25;
inline constexpr std::int32_t SectorNotFound = 27;
inline constexpr std::int32_t InvalidParameter = 87;
inline constexpr std::int32_t Busy = 170;
inline constexpr std::int32_t NoMediaInDrive = 1112;
inline constexpr std::int32_t IdMarkNotFound = 1122;
inline constexpr std::int32_t WrongCylinder = 1123;
inline constexpr std::int32_t FloppyUnknownError = 1124;
}  // namespace fderr

// The driver chosen by the environment, for the desktop program and the
// command line alike:
//   QUILLMAR_FLOPPY unset/empty  a Greaseweazle on USB if one is plugged in,
//                                else the platform's driver
//   QUILLMAR_FLOPPY=none         no driver present
//   QUILLMAR_FLOPPY=sim:PATH     a simulated drive A: holding the image at PATH
//   QUILLMAR_FLOPPY=greaseweazle        the first Greaseweazle found on USB
//   QUILLMAR_FLOPPY=greaseweazle:PORT   the Greaseweazle on PORT (/dev/ttyACM0, COM5)
//   QUILLMAR_FLOPPY_FAULTS       "H:T:CODE:N[:R];..." faults for the simulated drive
//   QUILLMAR_GW_BUS              "shugart" for a Shugart bus (default: IBM PC)
// A value that cannot be understood throws a Failure whose description says
// which variable is wrong and why; nothing is guessed.
[[nodiscard]] std::unique_ptr<modFDRawCmd> CreateFloppyDriver(ActivityLog* log = nullptr);

// The start-up check asks the driver through this; the driver must outlive it.
[[nodiscard]] DriverProbe MakeDriverProbe(modFDRawCmd& driver);
