// The file stage end to end on what only Windows has: batch files run by the system's cmd.exe,
// the mail program ended by the system's taskkill.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures/FileStageFixture.h"
#include "fixtures/MailProgram.h"
#include "grid/Grid.h"
#include "platform/SystemClock.h"
#include "update/MailTask.h"

namespace fd::test {
namespace {

class Win32FileStage : public FileCopy {
 protected:
  // The mail task waits for the program to leave the process list in real time, unless told
  // to count its pauses on the fixture's clock.
  MailTask mail(Clock& clock) {
    return MailTask(f.processes(), clock, f.desktop, w().log, w().txtEstado, enabled);
  }
  MailTask mail() { return mail(realClock); }
  bool running(const std::string& image) {
    const std::vector<ProcessEntry> list = f.processes().list();
    return std::any_of(list.begin(), list.end(),
                       [&](const ProcessEntry& e) { return e.name == image; });
  }

  SystemClock realClock;
  Switch enabled;
};

TEST_F(Win32FileStage, CopiesOverTheSuitesFilesAndRunsBatchesThroughCmd) {
  f.writeFile(comercial + "Comercial.exe", "old");
  row("Comercial.exe", comercial, "new");
  row("x.dll", comercial + "Bin\\", "dll");
  f.writeFile(f.act() + "P\\dato.txt", "dato");
  // Every placeholder the batch uses becomes a path of this run before cmd.exe reads it.
  row("Alta.bat", "",
      "@echo off\r\n"
      "mkdir \"%PathCom%\\Hecho\"\r\n"
      "echo listo> \"%PathCom%\\Hecho\\nota.txt\"\r\n"
      "copy \"%PathActTmp%dato.txt\" \"%PathFD%dato.txt\" > nul\r\n"
      "if exist \"%FileINI%\" echo ini> \"%PathFD%ini.txt\"\r\n");
  f.writeFile(w().txtDirIni.Text(), "[Servidor]\r\n");
  w().chkComandos.setValue(1);
  const std::size_t boxes = f.desktop.boxes.size();

  copiar();

  EXPECT_EQ(f.readFile(comercial + "Comercial.exe"), "new");
  EXPECT_EQ(f.readFile(comercial + "Bin\\x.dll"), "dll");
  EXPECT_EQ(f.readFile(comercial + "Hecho\\nota.txt"), "listo\r\n");
  EXPECT_EQ(f.readFile(f.fendal() + "dato.txt"), "dato");
  EXPECT_EQ(f.readFile(f.fendal() + "ini.txt"), "ini\r\n");
  // The batch ran as its substituted copy; the companion log holds the substituted lines.
  const std::string batch = f.act() + "P\\Alta.bat";
  EXPECT_TRUE(f.exists(CommandFiles::substitutedCopy(batch)));
  const std::vector<std::string> logged = f.fs.readLines(f.act() + "P\\alta.log");
  ASSERT_EQ(logged.size(), 5u);
  EXPECT_EQ(logged[1], "mkdir \"" + comercial + "Hecho\"");
  EXPECT_EQ(f.desktop.boxes.size(), boxes);
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(w().flxFile.CellBackColor(r, 1), colors::kLightGreen) << "row " << r;
  }
  EXPECT_EQ(w().flxLog.TextMatrix(w().flxLog.Rows() - 1, 1), "Ejecutar Alta.bat");
}

TEST_F(Win32FileStage, TheMailProgramIsEndedByTaskkillReplacedAndItsTaskStartedAgain) {
  const std::string program = f.fendal() + MailTask::kProceso;
  MailProgram mails(f, f.fendal());
  ASSERT_TRUE(mail().BuscarProceso(MailTask::kProceso));

  EXPECT_TRUE(mail().DetenerTareaMails());
  EXPECT_FALSE(mails.running());
  EXPECT_FALSE(running(MailTask::kProceso));
  EXPECT_TRUE(enabled.Value());
  const auto stopped = f.logTexts();
  EXPECT_NE(std::find(stopped.begin(), stopped.end(), "Tarea fdEnvioMails detenida con éxito"),
            stopped.end());

  // The new program goes to the suite's root under its own name, whatever the package calls it.
  row("FdEnvioMails.EXE", f.fendal() + "CRM\\", "nuevo");
  copiar();
  EXPECT_EQ(f.readFile(program), "nuevo");

  mail().IniciarTareaMails();
  EXPECT_EQ(f.logTexts().back(), "Shell schtasks /run /tn fdEnvioMails");
}

TEST_F(Win32FileStage, StoppingTheMailProgramWhenItDoesNotRunSucceedsAtOnce) {
  ASSERT_FALSE(running(MailTask::kProceso));
  const std::size_t boxes = f.desktop.boxes.size();
  const int pauses = f.clock.sleepCount();
  EXPECT_TRUE(mail(f.clock).DetenerTareaMails());
  // One look at the process list, and no more.
  EXPECT_EQ(f.clock.sleepCount(), pauses + 1);
  EXPECT_EQ(f.desktop.boxes.size(), boxes);
}

}  // namespace
}  // namespace fd::test
