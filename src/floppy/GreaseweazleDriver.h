#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "floppy/GreaseweazleProtocol.h"
#include "floppy/modFDRawCmd.h"
#include "flux/Mfm.h"

// A floppy drive on a Greaseweazle, the USB flux reader and writer: each
// track side is read as flux over several revolutions and decoded here, and
// written as the flux of one revolution encoded here, so the read and write
// engines see the same 18 sectors and controller error codes as from a PC
// floppy controller.
//
// A side costs what the disk costs: it is first read over one revolution and
// the longest sector's worth, from wherever the disk is, and read again over
// the full revolutions only when a sector is bad or missing; a side that did
// so once goes straight to the full read on its next try.
//
// Every request leaves the device as it found it: drive deselected and motor
// off, whichever way it ends. That costs the motor's spin-up per track side,
// but a cancelled read, a closed program or an unplugged cable never leaves
// a drive spinning. A device that stops answering is given up for the rest
// of the read (every later side fails at once with Not Ready) and asked again
// at the next drive check.
class GreaseweazleDriver : public modFDRawCmd {
public:
    struct Settings {
        std::string port;                      // /dev/ttyACM0, COM5
        gw::BusType bus = gw::BusType::IbmPc;  // IBM PC: units 0-1; Shugart: units 0-3
        int revolutions = 3;                   // read as max_index revolutions + 1
        gw::Timeouts timeouts;
    };

    explicit GreaseweazleDriver(Settings settings, ActivityLog* log = nullptr);
    ~GreaseweazleDriver() override;

    [[nodiscard]] bool IsDriverPresent(std::uint32_t& version) override;
    [[nodiscard]] bool SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) override;
    // Why the last connection failed ("the device on PORT does not answer as
    // a Greaseweazle"), or that a device which answered before no longer does.
    [[nodiscard]] std::string DeviceProblem() const override { return m_problem; }
    // QUILLMAR_GW_BUS: unset, empty or "ibmpc" → IBM PC; "shugart" → Shugart;
    // anything else is a Failure naming the variable.
    [[nodiscard]] static gw::BusType BusFromText(const char* text);

    // The write-protect pin of the drive, read with the drive selected.
    [[nodiscard]] bool IsWriteProtected(std::uint8_t drive, bool& bProtected,
                                        std::string& sErrorText) override;
    // One revolution of flux from the index pulse, encoded here as an Opus
    // format lays the side down; a flux underflow is written again.
    [[nodiscard]] bool WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                        const std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                        std::string& sErrorText, std::int32_t lSizeCode,
                                        bool bDoubleStep) override;
    [[nodiscard]] bool EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                  std::int32_t& lErrorCode, std::string& sErrorText) override;

    // The WriteFlux stream of one Opus track side (4,608 bytes, sectors in ID
    // order) whose IDs name cylinder and head, at the device's sample rate.
    [[nodiscard]] static std::vector<std::uint8_t> OpusWriteStream(std::span<const std::uint8_t> side,
                                                                   std::uint8_t cylinder, std::uint8_t head,
                                                                   std::uint32_t sampleFreq);
    // How long a write or an erase of one side runs, in ticks.
    [[nodiscard]] static std::uint32_t WriteTicks(std::uint32_t sampleFreq);

    // Sectors first..first+count-1 of a decoded side as the controller would
    // return them: 0 and the data, or the code of the first sector that
    // failed (CRC Error, Sector Not Found, Wrong Cylinder when the IDs name
    // another cylinder, ID Mark Not Found when the side has no sector at all).
    [[nodiscard]] static std::int32_t CollectSectors(const flux::DecodedTrack& track, std::uint8_t cylinder,
                                                     std::uint8_t head, std::uint8_t first, int count,
                                                     std::int32_t lSizeCode, std::vector<std::uint8_t>& data);

protected:
    [[nodiscard]] std::int32_t readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer,
                                       int& step) override;

private:
    class Spin;

    // The client of a device that answers as a usable Greaseweazle, or a
    // Failure whose reason DeviceProblem gives.
    gw::Client& connect();
    void disconnect();
    [[nodiscard]] Failure deviceProblem(const std::string& reason);
    [[nodiscard]] std::string lostText(const std::string& reason) const;
    // Stopped answering: given up until the next drive check.
    void lose(const std::string& reason);
    [[nodiscard]] bool hasUnit(std::uint8_t drive) const;
    // Runs work with the device connected, drive spinning and the head over
    // the side; work's result, or the controller's code for what went wrong
    // with the device (trapped under procedure at the step reached).
    using SideWork = std::function<std::int32_t(gw::Client&)>;
    [[nodiscard]] std::int32_t atSide(std::uint8_t drive, int physicalCylinder, std::uint8_t head,
                                      const char* procedure, int& step, const SideWork& work);
    // The code for what GetFluxStatus said after a flux read, write or erase.
    [[nodiscard]] std::int32_t fluxResult(gw::Ack status, const char* what, const char* procedure);
    // 0 and the decoded side, or an error code. quick: about 1.1 revolutions
    // by time instead of settings.revolutions by index pulses.
    [[nodiscard]] std::int32_t readSide(std::uint8_t drive, int physicalCylinder, std::uint8_t head,
                                        flux::DecodedTrack& decoded, const char* procedure, bool quick);
    // A write or an erase of the side, tried again after a flux underflow.
    [[nodiscard]] std::int32_t writeSide(std::uint8_t drive, int physicalCylinder, std::uint8_t head,
                                         const char* procedure, int& step,
                                         const std::function<void(gw::Client&)>& write);

    Settings m_settings;
    std::unique_ptr<gw::Transport> m_port;
    std::unique_ptr<gw::Client> m_client;
    gw::Info m_info;
    bool m_lost = false;      // stopped answering during a read; only a drive check asks again
    bool m_answered = false;  // has answered as a usable Greaseweazle since this driver was made
    std::string m_problem;    // see DeviceProblem
    // The physical cylinder and head of the last side whose quick read lost a sector.
    std::pair<int, int> m_slowSide{-1, -1};
};
