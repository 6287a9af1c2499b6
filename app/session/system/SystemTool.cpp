#include "session/system/SystemTool.hpp"

#include <QProcess>
#include <QStringList>

namespace tessorin {

SystemTool::Result SystemTool::run(const std::string& program, const std::vector<std::string>& arguments,
                                   const std::string& input) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  QStringList list;
  for (const std::string& argument : arguments) list << QString::fromStdString(argument);
  process.start(QString::fromStdString(program), list);
  if (!process.waitForStarted(10'000)) return {-1, process.errorString().toStdString()};
  if (!input.empty()) process.write(input.data(), static_cast<qint64>(input.size()));
  process.closeWriteChannel();
  // Formatting a large card may take minutes.
  process.waitForFinished(10 * 60 * 1000);
  Result result;
  result.output = QString::fromUtf8(process.readAll()).toStdString();
  result.exitCode = process.exitStatus() == QProcess::NormalExit && process.state() == QProcess::NotRunning
                        ? process.exitCode()
                        : -1;
  return result;
}

std::string SystemTool::lastLine(const std::string& output) {
  std::string last;
  std::size_t start = 0;
  while (start <= output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) last = line;
    start = end + 1;
  }
  return last;
}

}  // namespace tessorin
