#include "floppy/GreaseweazleDriver.h"

#include <algorithm>
#include <exception>
#include <functional>

#include "floppy/FdRawRequests.h"
#include "floppy/GreaseweazleStream.h"
#include "floppy/SerialPort.h"

namespace {

// The device drops flux when the host drains too slowly, and runs dry when
// the host feeds a write too slowly; trying again without moving the head
// is what helps.
constexpr int kFluxAttempts = 3;

}  // namespace

// Drive selected and motor on for its lifetime. Whatever ends it, an error
// included, it stops a read in progress, switches the motor off and
// deselects; a device that does not take that is given up.
class GreaseweazleDriver::Spin {
public:
    Spin(GreaseweazleDriver& driver, std::uint8_t unit)
        : m_driver(driver), m_unit(unit), m_exceptions(std::uncaught_exceptions()) {
        try {
            m_driver.m_client->Select(unit);
            m_driver.m_client->Motor(unit, true);
        } catch (...) {
            // Selected, and perhaps spinning with its answer lost.
            release(true);
            throw;
        }
    }
    ~Spin() { release(std::uncaught_exceptions() > m_exceptions); }
    Spin(const Spin&) = delete;
    Spin& operator=(const Spin&) = delete;

private:
    void release(bool failed) noexcept {
        if (!m_driver.m_client) {
            return;
        }
        try {
            if (failed) {
                m_driver.m_port->clearComms();
            }
            m_driver.m_client->Motor(m_unit, false);
            m_driver.m_client->Deselect();
        } catch (const std::exception& e) {
            m_driver.trap(Failure(failure::DeviceIO, e.what()), "Deselect", 1);
            m_driver.lose(e.what());
        }
    }

    GreaseweazleDriver& m_driver;
    std::uint8_t m_unit;
    int m_exceptions;
};

GreaseweazleDriver::GreaseweazleDriver(Settings settings, ActivityLog* log)
    : modFDRawCmd(log), m_settings(std::move(settings)) {}

GreaseweazleDriver::~GreaseweazleDriver() = default;

gw::BusType GreaseweazleDriver::BusFromText(const char* text) {
    const std::string value = text != nullptr ? text : "";
    if (value.empty() || value == "ibmpc") {
        return gw::BusType::IbmPc;
    }
    if (value == "shugart") {
        return gw::BusType::Shugart;
    }
    throw Failure(failure::InvalidProcedureCall,
                  "QUILLMAR_GW_BUS: \"" + value + "\" is neither \"ibmpc\" nor \"shugart\"");
}

gw::Client& GreaseweazleDriver::connect() {
    if (m_client) {
        return *m_client;
    }
    try {
        m_port = gw::OpenSerialPort(m_settings.port);
        // Whatever an earlier program left running on the device is dropped first.
        m_port->clearComms();
    } catch (const Failure& f) {
        disconnect();
        throw deviceProblem(f.description());
    }
    m_client = std::make_unique<gw::Client>(*m_port, m_settings.timeouts);
    try {
        m_info = m_client->GetInfo();
    } catch (const std::exception&) {
        disconnect();
        throw deviceProblem("the device on " + m_settings.port + " does not answer as a Greaseweazle");
    }
    const std::string device = "the Greaseweazle on " + m_settings.port;
    switch (gw::CheckInfo(m_info)) {
        case gw::InfoProblem::None:
            break;
        case gw::InfoProblem::Bootloader:
            disconnect();
            throw deviceProblem(device + " is in its update (bootloader) mode");
        case gw::InfoProblem::OldFirmware:
            disconnect();
            throw deviceProblem(device + " has firmware " + std::to_string(m_info.fwMajor) + "." +
                                std::to_string(m_info.fwMinor) + "; this program needs 0.31 or newer");
        case gw::InfoProblem::SampleFrequency:
            disconnect();
            throw deviceProblem(device + " reports an impossible sample frequency of " +
                                std::to_string(m_info.sampleFreq) + " Hz");
    }
    try {
        m_client->SetBusType(m_settings.bus);
    } catch (const std::exception& e) {
        disconnect();
        throw deviceProblem(device + " refuses its bus type (" + e.what() + ")");
    }
    m_lost = false;
    m_answered = true;
    m_problem.clear();
    return *m_client;
}

Failure GreaseweazleDriver::deviceProblem(const std::string& reason) {
    // A device that has answered before and now cannot be reached has most likely been unplugged.
    m_problem = m_answered ? lostText(reason) : reason;
    return Failure(failure::DeviceIO, reason);
}

std::string GreaseweazleDriver::lostText(const std::string& reason) const {
    std::string text = "The Greaseweazle on " + m_settings.port + " no longer answers. Is it plugged in?";
    if (!reason.empty()) {
        text += " (" + reason + ")";
    }
    return text;
}

void GreaseweazleDriver::lose(const std::string& reason) {
    m_lost = true;
    m_problem = lostText(reason);
    disconnect();
}

void GreaseweazleDriver::disconnect() {
    m_client.reset();
    m_port.reset();
}

bool GreaseweazleDriver::hasUnit(std::uint8_t drive) const {
    return drive < (m_settings.bus == gw::BusType::Shugart ? 4 : 2);
}

bool GreaseweazleDriver::IsDriverPresent(std::uint32_t& version) {
    try {
        disconnect();
        (void)connect();
        version = 0x01000000u | (std::uint32_t{m_info.fwMajor} << 8) | m_info.fwMinor;
        return true;
    } catch (const std::exception& e) {
        trap(Failure(failure::DeviceIO, e.what()), "IsDriverPresent", 1);
    }
    return false;
}

bool GreaseweazleDriver::SenseDriveStatus(std::uint8_t drive, std::string& sErrorText) {
    if (!hasUnit(drive)) {
        return false;
    }
    m_lost = false;
    try {
        (void)connect();
    } catch (const Failure& f) {
        // DeviceProblem says why; a port that could not be opened has no device behind it.
        trap(f, "SenseDriveStatus", 1);
        if (m_answered) {
            sErrorText = DriveErrorText(fderr::NotReady);
        }
        return false;
    }
    std::int32_t code = 0;
    try {
        const Spin spin(*this, drive);
        (void)m_client->ReadFlux(0, 1);
        // A drive without a disk (or with the door open) sends no index pulse.
        if (m_client->GetFluxStatus() == gw::Ack::NoIndex) {
            code = fderr::NoMediaInDrive;
        }
    } catch (const gw::ProtocolError& e) {
        trap(Failure(failure::DeviceIO, e.what()), "SenseDriveStatus", 2);
        // Flux without end still comes from a spinning disk: each read will say what is wrong.
        if (e.kind() != gw::ProtocolError::Kind::TooMuchFlux) {
            lose(e.what());
            code = fderr::NotReady;
        }
    } catch (const std::exception& e) {
        trap(Failure(failure::DeviceIO, e.what()), "SenseDriveStatus", 2);
        lose(e.what());
        code = fderr::NotReady;
    }
    if (code != 0) {
        sErrorText = DriveErrorText(code);
        return false;
    }
    return true;
}

std::int32_t GreaseweazleDriver::atSide(std::uint8_t drive, int physicalCylinder, std::uint8_t head,
                                        const char* procedure, int& step, const SideWork& work) {
    if (m_lost) {
        explainFailure(m_problem);
        return fderr::NotReady;
    }
    step = 1;
    try {
        gw::Client& client = connect();
        step = 2;
        const Spin spin(*this, drive);
        step = 3;
        client.Seek(physicalCylinder);
        client.Head(head);
        step = 4;
        return work(client);
    } catch (const gw::ProtocolError& e) {
        trap(Failure(failure::DeviceIO, e.what()), procedure, step);
        switch (e.kind()) {
            case gw::ProtocolError::Kind::Timeout:
                lose(e.what());
                explainFailure(m_problem);
                return fderr::NotReady;
            case gw::ProtocolError::Kind::Garbage:
                disconnect();
                return fderr::FloppyUnknownError;
            case gw::ProtocolError::Kind::TooMuchFlux:
                explainFailure(e.what());
                return fderr::FloppyUnknownError;
            case gw::ProtocolError::Kind::Status:
                break;
        }
        if (e.cmd() == gw::Cmd::Seek) {
            return fderr::Seek;
        }
        if (e.status() == gw::Ack::Wrprot) {
            return fderr::WriteProtect;
        }
        if (e.status() == gw::Ack::BadUnit || e.status() == gw::Ack::NoUnit) {
            return fderr::InvalidHandle;
        }
        return fderr::FloppyUnknownError;
    } catch (const Failure& f) {
        // A port that has gone away, or a device that could not be reached again.
        trap(f, procedure, step);
        if (!m_lost) {
            lose(f.description());
        }
        explainFailure(m_problem);
        return fderr::NotReady;
    }
}

std::int32_t GreaseweazleDriver::fluxResult(gw::Ack status, const char* what, const char* procedure) {
    switch (status) {
        case gw::Ack::Okay:
            return 0;
        case gw::Ack::NoIndex:
            return fderr::NoMediaInDrive;
        case gw::Ack::Wrprot:
            return fderr::WriteProtect;
        default:
            trap(Failure(failure::DeviceIO,
                         std::string(what) + ": " + gw::AckName(static_cast<std::uint8_t>(status))),
                 procedure, 5);
            return fderr::FloppyUnknownError;
    }
}

std::int32_t GreaseweazleDriver::readSide(std::uint8_t drive, int physicalCylinder, std::uint8_t head,
                                          flux::DecodedTrack& decoded, const char* procedure, bool quick) {
    std::vector<std::uint8_t> stream;
    int step = 1;
    const std::int32_t code = atSide(drive, physicalCylinder, head, procedure, step, [&](gw::Client& client) {
        const auto maxIndex =
            quick ? std::uint16_t{0} : static_cast<std::uint16_t>(std::max(2, m_settings.revolutions) + 1);
        // One revolution (200 ms at 300 rpm) and a tenth: every sector
        // passes the head whole at least once, wherever the read starts.
        const std::uint32_t ticks = quick ? m_info.sampleFreq / 5 * 11 / 10 : 0;
        gw::Ack status = gw::Ack::Okay;
        for (int attempt = 0; attempt < kFluxAttempts; ++attempt) {
            stream = client.ReadFlux(ticks, maxIndex);
            status = client.GetFluxStatus();
            if (status != gw::Ack::FluxOverflow) {
                break;
            }
        }
        return fluxResult(status, "flux read", procedure);
    });
    if (code != 0) {
        return code;
    }
    try {
        flux::FluxTrack track = gw::DecodeReadStream(stream, m_info.sampleFreq);
        const bool indexSeen = !track.indexTicks.empty();
        // A short read is one revolution from wherever the disk was: the
        // decoder is to take it whole, not as the two pieces either side of
        // the index pulse.
        if (quick) {
            track.indexTicks.clear();
        }
        decoded = flux::DecodeMfmTrack(track);
        decoded.indexSeen = indexSeen;
        return indexSeen ? 0 : fderr::NoMediaInDrive;
    } catch (const Failure& f) {
        trap(f, procedure, 5);
        return fderr::FloppyUnknownError;  // a damaged stream; the device itself is fine
    }
}

std::int32_t GreaseweazleDriver::writeSide(std::uint8_t drive, int physicalCylinder, std::uint8_t head,
                                           const char* procedure, int& step,
                                           const std::function<void(gw::Client&)>& write) {
    const std::int32_t code = atSide(drive, physicalCylinder, head, procedure, step, [&](gw::Client& client) {
        gw::Ack status = gw::Ack::Okay;
        // The device ran dry before the write's end: sending it again is what helps.
        for (int attempt = 0; attempt < kFluxAttempts; ++attempt) {
            write(client);
            status = client.GetFluxStatus();
            if (status != gw::Ack::FluxUnderflow) {
                break;
            }
        }
        return fluxResult(status, "flux write", procedure);
    });
    // What the side held has changed, whichever way the write went.
    if (m_slowSide == std::pair<int, int>{physicalCylinder, head}) {
        m_slowSide = {-1, -1};
    }
    return code;
}

bool GreaseweazleDriver::IsWriteProtected(std::uint8_t drive, bool& bProtected, std::string& sErrorText) {
    if (!SenseDriveStatus(drive, sErrorText)) {
        return false;
    }
    try {
        const Spin spin(*this, drive);
        bProtected = m_client->GetPin(gw::kPinWriteProtect) == 0;  // active low
        return true;
    } catch (const std::exception& e) {
        trap(Failure(failure::DeviceIO, e.what()), "IsWriteProtected", 2);
        lose(e.what());
        sErrorText = DriveErrorText(fderr::NotReady);
        return false;
    }
}

bool GreaseweazleDriver::WriteSingleTrack(std::uint8_t drive, std::uint8_t cylinder, std::uint8_t head,
                                          const std::vector<std::uint8_t>& data, std::int32_t& lErrorCode,
                                          std::string& sErrorText, std::int32_t lSizeCode, bool bDoubleStep) {
    return runWrite("WriteSingleTrack", lErrorCode, sErrorText, [&](int& step) {
        if (!hasUnit(drive)) {
            return fderr::InvalidHandle;
        }
        if (head > 1 || lSizeCode != fdraw::kOpusSizeCode ||
            data.size() != fdraw::RequireTrackLength(lSizeCode)) {
            return fderr::InvalidParameter;
        }
        const fdraw::SeekParameters seek = fdraw::MakeSeekParameters(cylinder, head, bDoubleStep);
        std::vector<std::uint8_t> stream;
        return writeSide(drive, seek[0], head, "WriteSingleTrack", step, [&](gw::Client& client) {
            // At the rate of the device that answered, once it has.
            if (stream.empty()) {
                stream = OpusWriteStream(data, cylinder, head, m_info.sampleFreq);
            }
            client.WriteFlux(stream);
        });
    });
}

bool GreaseweazleDriver::EraseTrack(std::uint8_t drive, std::uint8_t physicalCylinder, std::uint8_t head,
                                    std::int32_t& lErrorCode, std::string& sErrorText) {
    return runWrite("EraseTrack", lErrorCode, sErrorText, [&](int& step) {
        if (!hasUnit(drive)) {
            return fderr::InvalidHandle;
        }
        if (head > 1) {
            return fderr::InvalidParameter;
        }
        return writeSide(drive, physicalCylinder, head, "EraseTrack", step,
                         [&](gw::Client& client) { client.EraseFlux(WriteTicks(m_info.sampleFreq)); });
    });
}

std::uint32_t GreaseweazleDriver::WriteTicks(std::uint32_t sampleFreq) {
    // A revolution at 300 rpm and a fiftieth: a drive a little fast or slow
    // still has the whole of its track covered.
    return static_cast<std::uint32_t>(std::uint64_t{sampleFreq} / 5 * 51 / 50);
}

std::vector<std::uint8_t> GreaseweazleDriver::OpusWriteStream(std::span<const std::uint8_t> side,
                                                              std::uint8_t cylinder, std::uint8_t head,
                                                              std::uint32_t sampleFreq) {
    std::vector<flux::EncodeSector> sectors = flux::OpusTrackSectors(side, 0, 0, 1);
    for (flux::EncodeSector& s : sectors) {
        s.cylinder = cylinder;
        s.head = head;
    }
    flux::EncodeOptions options;
    options.tickHz = sampleFreq;
    // Longer than a revolution by the margin of WriteTicks, in gap bytes: the
    // write ends at the index pulse, wherever the stream is then.
    options.rpm = 300.0 * 50 / 51;
    const std::vector<std::vector<flux::EncodeSector>> revolutions{std::move(sectors)};
    const flux::FluxTrack track = flux::EncodeMfmTrack(revolutions, options);
    return gw::EncodeWriteStream(track.intervals);
}

std::int32_t GreaseweazleDriver::CollectSectors(const flux::DecodedTrack& track, std::uint8_t cylinder,
                                                std::uint8_t head, std::uint8_t first, int count,
                                                std::int32_t lSizeCode, std::vector<std::uint8_t>& data) {
    if (track.sectors.empty()) {
        return fderr::IdMarkNotFound;
    }
    const bool otherCylinder =
        std::any_of(track.sectors.begin(), track.sectors.end(),
                    [&](const flux::DecodedSector& s) { return s.cylinder != cylinder; });
    const std::size_t sectorLength = std::size_t{128} << std::clamp(lSizeCode, 0, 7);
    std::vector<std::uint8_t> out;
    out.reserve(sectorLength * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int r = first + i;
        const auto found =
            std::find_if(track.sectors.begin(), track.sectors.end(), [&](const flux::DecodedSector& s) {
                return s.cylinder == cylinder && s.head == head && s.sector == r && s.sizeCode == lSizeCode;
            });
        if (found == track.sectors.end()) {
            return otherCylinder ? fderr::WrongCylinder : fderr::SectorNotFound;
        }
        if (found->data.size() != sectorLength) {
            return fderr::SectorNotFound;  // no data field after the ID
        }
        if (!found->dataOk) {
            return fderr::Crc;
        }
        out.insert(out.end(), found->data.begin(), found->data.end());
    }
    data = std::move(out);
    return 0;
}

std::int32_t GreaseweazleDriver::readRaw(const RawRead& request, std::vector<std::uint8_t>& buffer, int&) {
    if (!hasUnit(request.drive)) {
        return fderr::InvalidHandle;
    }
    if (request.head > 1) {
        return fderr::InvalidParameter;
    }
    const fdraw::SeekParameters seek =
        fdraw::MakeSeekParameters(request.cylinder, request.head, request.bDoubleStep);
    const std::pair<int, int> side{seek[0], request.head};
    const auto readOnce = [&](bool quick) {
        flux::DecodedTrack decoded;
        std::int32_t code =
            readSide(request.drive, seek[0], request.head, decoded, request.procedure(), quick);
        if (code == 0) {
            code = CollectSectors(decoded, request.cylinder, request.head, request.firstSector(),
                                  request.sectorCount(), request.lSizeCode, buffer);
        }
        return code;
    };
    if (m_slowSide != side) {
        const std::int32_t code = readOnce(true);
        // Only a sector the short read did not get whole is worth more revolutions.
        if (code != fderr::Crc && code != fderr::SectorNotFound && code != fderr::IdMarkNotFound) {
            return code;
        }
        m_slowSide = side;
    }
    return readOnce(false);
}
