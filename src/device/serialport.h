#pragma once
#include "device/byteport.h"
#include "device/comexception.h"

#include <QString>
#include <functional>
#include <memory>

// The program's one serial connection. All functions work on one
// process-wide port, owned by the trainer link on its own thread, and are
// called from the UI thread only.

// Port names as shown and logged; the settings section "Ports" says which
// device file each one opens.
inline const QString PortNames[2] = {QStringLiteral("COM1"), QStringLiteral("COM2")};
// Display texts only: the line always runs at 9600 baud.
inline const QString BaudNames[3] = {QStringLiteral("9600"), QStringLiteral("19200"),
                                     QStringLiteral("38400")};

// Closes the port if one was opened before (also the same one), opens the
// device of PortNames[portIndex] exclusively and sets line and time-outs.
// Returns true or raises TComException.
bool OpenPort(quint8 portIndex, quint8 baudIndex);
// The line settings of the open port; raises TComException on failure.
void ConfigurePort();
// The read and write time-outs of the open port; raises TComException on failure.
void SetPortTimeouts();

// True iff the byte was written within the write time-out.
bool WriteByte(quint8 value);
// True iff one byte arrived; otherwise value keeps what it held.
bool ReadByte(quint8 &value);
// Reads what has arrived, up to count bytes, into the start of buffer; bytes
// not received keep their content. A leading 0xFF 0xFF becomes 0x00 0x00
// (whatever was read). True iff exactly count bytes arrived; *received (when
// given) tells how many did.
bool ReadBlock(quint8 *buffer, int count, int *received = nullptr);

// False at start, true from the first successful open on.
bool portWasOpened();
// The device file of the open port (as the settings name it); empty when no
// port is open.
QString OpenedDeviceFile();
// True when the open port's device has gone (unplugged, the virtual trainer
// ended); every read and write fails from then on.
bool PortLost();
// "COM2 (/dev/ttyS1)": the port as the messages name it.
QString PortLabel(const QString &portName, const QString &deviceFile);
// The system's own text of the port's last failure (for the action log).
QString PortSystemText();

class QObject;
class TrainerLink;

// The same as OpenPort without waiting: `done` runs later on the caller's
// thread (while `context` lives) with nullptr or what went wrong.
using OpenDone = std::function<void(const TComException *error)>;
void OpenPortAsync(quint8 portIndex, quint8 baudIndex, QObject *context, OpenDone done);
// The link the asynchronous queries go through: the port's worker link, or
// one over a test's byte port.
TrainerLink &PortLink();

// The device behind the port: QSerialPort unless a test installs another
// maker (an empty function restores QSerialPort).
using BytePortFactory = std::function<std::unique_ptr<BytePort>()>;
void SetBytePortFactory(BytePortFactory factory);
// Closes the port and returns to the never-opened state (tests).
void ResetSerialPort();
