-- What uninstalling removes besides the installed files: what the program
-- writes itself. wixl writes neither such rows nor custom actions that run a
-- program, so msibuild adds them to the package it built.
-- One statement a line, no semicolons; lines starting with -- are left out.

-- settings.ini, the original the program keeps as settings.ini.bak beside
-- it (or in the temporary folder) when it converts it, the new file it
-- writes beside it to replace it (GetTempFileNameW names it set*.tmp; an
-- earlier build named it settings.ini.tmp, which that also matches), and the
-- converted copy it reads from the temporary folder when it cannot replace
-- the file. Install mode 2: when the Program component is removed. An
-- upgrade's new version holds that component too, so it stays, and the
-- files with it.
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('Settings', 'Program', 'settings.ini', 'ProgramFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('SettingsOriginal', 'Program', 'settings.ini.bak', 'ProgramFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('SettingsReplacement', 'Program', 'set*.tmp', 'ProgramFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('KeptSettings', 'Program', 'BackdropCarousel settings.ini.bak', 'TempFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('ConvertedSettings', 'Program', 'BackdropCarousel settings.ini', 'TempFolder', 2)

-- The Run values of "Start with Windows": the current user's, and the
-- machine-wide ones in both registry views. The program writes them, not the
-- installer, and Windows Installer removes registry values it did not write
-- only while installing (its RemoveRegistry table), so reg.exe removes them.
-- The 32-bit reg.exe reaches the 64-bit view with /reg:64. A value that is
-- missing, or that this uninstall may not remove (the machine-wide ones
-- without administrator rights), makes reg.exe fail, which is ignored.
-- Type 1122: a program in a folder (34), result ignored (64), run from the
-- installation script (1024); 3170 adds "not impersonated" (2048), which
-- runs it as the system in a per-machine uninstall, with administrator
-- rights, and as the user in a per-user one.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveUserRunValue', 1122, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKCU\Software\Microsoft\Windows\CurrentVersion\Run /v BackdropCarousel /f')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveMachineRunValue64', 3170, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKLM\Software\Microsoft\Windows\CurrentVersion\Run /v BackdropCarousel /f /reg:64')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveMachineRunValue32', 3170, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKLM\Software\Microsoft\Windows\CurrentVersion\Run /v BackdropCarousel /f /reg:32')

-- Only when the product is uninstalled, not when an upgrade removes the old
-- version: Windows then sets UPGRADINGPRODUCTCODE. Wine's msiexec does not,
-- but keeps the Program component, which the new version holds too, instead
-- of removing it ($Program = 2).
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveUserRunValue', 'REMOVE ~= "ALL" AND NOT UPGRADINGPRODUCTCODE AND $Program = 2', 3510)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveMachineRunValue64', 'REMOVE ~= "ALL" AND NOT UPGRADINGPRODUCTCODE AND $Program = 2', 3511)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveMachineRunValue32', 'REMOVE ~= "ALL" AND NOT UPGRADINGPRODUCTCODE AND $Program = 2', 3512)
