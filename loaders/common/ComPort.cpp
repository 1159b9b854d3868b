#include "ComPort.h"

#include "ComPortMap.h"

#include <QFile>

namespace tbload {

std::string DevicePathOfCom(int com) { return QFile::encodeName(TComPortMap().DevicePath(com)).toStdString(); }

} // namespace tbload
