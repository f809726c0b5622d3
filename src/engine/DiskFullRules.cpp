#include "engine/DiskFullRules.h"

#include "platform/VolumeHost.h"

#include <utility>

namespace quillarc {

DiskFullRules::DiskFullRules(const VolumeHost &volumeHost, std::string drive, std::int64_t needed,
                             std::function<bool(const std::string &)> listFileExists)
    : m_host(volumeHost), m_FullDiskDrive(std::move(drive)), m_FullDiskNeeded(needed),
      m_hasListFile(std::move(listFileExists))
{
}

std::string DiskFullRules::currentLabel() const
{
    return m_host.volumeLabel(m_FullDiskDrive);
}

std::string DiskFullRules::readyRefusal() const
{
    const std::string label = m_host.volumeLabel(m_FullDiskDrive);
    if (label.empty())
        return "DISK HAS NO VOLUME LABEL\rTHE PROGRAM REQUIRES A VOLUME LABEL\rTO RECOGNIZE THE DISK.\r"
               "REFORMAT THE DISK AND INCLUDE A VOLUME LABEL\rOR INSERT A NEW DISK TO CONTINUE";
    if (m_hasListFile(label))
        return "NOT A NEW FORMATTED DISK.\rTHIS DISK IS ALREADY IN USE BY THE PROGRAM\r"
               "INSERT NEW FORMATTED DISK TO CONTINUE";
    const std::int64_t freeBytes = m_host.freeBytes(m_FullDiskDrive);
    if (freeBytes == 0)
        return "NO FREE SPACE ON THIS DISK.\rINSERT A WRITEABLE DISK TO CONTINUE";
    // A medium that vanished right after its label was read reports -1;
    // it has no room for anything, whatever the figure says.
    if (m_FullDiskNeeded > freeBytes || freeBytes < 0)
        return "NOT ENOUGH FREE SPACE ON THIS DISK\rINSERT A WRITEABLE DISK TO CONTINUE";
    return {};
}

const std::string &DiskFullRules::cancelQuestion()
{
    static const std::string text = "IF YOU CANCEL IN THE MIDDLE OF AN OPERATION\r"
                                    "YOUR COMPUTER WILL NEED TO PERFORM THE BACKUP\r"
                                    "OPERATION AGAIN THE NEXT TIME YOU BACKUP THIS FOLDER.\r\r"
                                    "CANCEL THE BACKUP?";
    return text;
}

const std::string &DiskFullRules::headline()
{
    static const std::string text = "BACKUP DISK FULL ,  REPLACE WITH FORMATTED DISK";
    return text;
}

} // namespace quillarc
