-- The 32-bit packages only. On 64-bit Windows the program, 32-bit or not,
-- writes its machine-wide Run value in the 64-bit registry view, which a
-- 32-bit package may not search (ICE80: no 64-bit locator in a 32-bit
-- package). There cmd.exe reads the value with reg.exe /reg:64 and compares
-- it, without regard to letter case, with the command line that would start
-- the program in question, quoted as the program writes a path with a
-- space, which Program Files (x86) always has; a value in another form is
-- left alone. for /f passes over the lines of reg query without a second
-- word: the key's and blank ones.
-- One statement a line, no semicolons; lines starting with -- are left out.
-- The value in reg.exe's words, which keeps the command lines within the
-- 255 characters of their column.
INSERT INTO `Property` (`Property`, `Value`) VALUES ('RunValue', 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run /v BackdropCarousel')

-- Uninstalling, or START_WITH_WINDOWS=0: the value that names the installed
-- program goes.
UPDATE `CustomAction` SET `Target` = '"[SystemFolder]cmd.exe" /d /c for /f "usebackq tokens=2,*" %a in (`reg query [RunValue] /reg:64`) do if /i %b=="[ProgramPath]" reg delete [RunValue] /f /reg:64' WHERE `Action` = 'RemoveMachineRunValue64'
UPDATE `InstallExecuteSequence` SET `Condition` = 'VersionNT64 AND (Uninstalling OR START_WITH_WINDOWS = "0")' WHERE `Action` = 'RemoveMachineRunValue64'
-- Task Manager's switch of that value goes with it, before it: once the
-- value is gone nothing tells whether the switch was this program's.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveMachineSwitch64', 3170, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for /f "usebackq tokens=2,*" %a in (`reg query [RunValue] /reg:64`) do if /i %b=="[ProgramPath]" reg delete HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run /v BackdropCarousel /f /reg:64')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveMachineSwitch64', 'VersionNT64 AND (Uninstalling OR START_WITH_WINDOWS = "0")', 3509)

-- Replacing the 64-bit package (OtherPath, product.wxs): its program's value
-- goes, and, unless START_WITH_WINDOWS is given, this program's takes its
-- place in the 32-bit view, as the value the package writes itself
-- (presets.wxs): the old package's removal afterwards deletes the value its
-- preset wrote in the 64-bit view, whatever it then names. reg.exe takes the
-- \" in the command line as a quote of the value.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('MoveOtherRunValue64', 3170, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for /f "usebackq tokens=2,*" %a in (`reg query [RunValue] /reg:64`) do if /i %b=="[OtherPath]" reg add [RunValue] /d "\"[ProgramPath]\"" /f /reg:32 & reg delete [RunValue] /f /reg:64')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveOtherRunValue64', 3170, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for /f "usebackq tokens=2,*" %a in (`reg query [RunValue] /reg:64`) do if /i %b=="[OtherPath]" reg delete [RunValue] /f /reg:64')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('MoveOtherRunValue64', 'VersionNT64 AND OtherPath AND NOT START_WITH_WINDOWS', 3519)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveOtherRunValue64', 'VersionNT64 AND OtherPath AND START_WITH_WINDOWS', 3520)
-- The value's switch goes with it, before it, as RemoveMachineSwitch64's
-- does: moved from Run to Run32, where it replaces whatever switch was there
-- (the value moved replaces that one's value too), or removed.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('MoveOtherSwitch64', 3170, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for /f "usebackq tokens=2*" %a in (`reg query [RunValue] /reg:64`) do if /i %b=="[OtherPath]" reg delete [Run32Switch] /f & for /f "usebackq tokens=2*" %c in (`reg query [RunSwitch]`) do reg add [Run32Switch] /t %c /d %d /f')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveOtherSwitch64', 3170, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for /f "usebackq tokens=2*" %a in (`reg query [RunValue] /reg:64`) do if /i %b=="[OtherPath]" reg delete [RunSwitch] /f')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('MoveOtherSwitch64', 'VersionNT64 AND OtherPath AND NOT START_WITH_WINDOWS', 3517)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveOtherSwitch64', 'VersionNT64 AND OtherPath', 3518)
