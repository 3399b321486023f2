-- The administrator's presets (presets.wxs): wixl writes neither component
-- conditions nor INI files, so msibuild adds them to the package it built.
-- One statement a line, no semicolons; lines starting with -- are left out.

-- The presets reach the installation's elevated part also when an
-- administrator's consent elevates a user's msiexec: the properties wixl
-- listed for the upgrade (product.wxs), and these.
UPDATE `Property` SET `Value` = 'REPLACED_PRODUCTS;NEWER_VERSION_FOUND;FOLDER;INTERVAL;UNIT;STYLE;ROTATE_AT_STARTUP;START_WITH_WINDOWS' WHERE `Property` = 'SecureCustomProperties'

-- The empty Unicode settings.ini, when anything is preset; never over an
-- existing one (msidbComponentAttributesNeverOverwrite, 128, beside the
-- 64-bit flag, 256).
UPDATE `Component` SET `Condition` = 'FOLDER OR INTERVAL OR UNIT OR STYLE OR ROTATE_AT_STARTUP' WHERE `Component` = 'SettingsFile'
UPDATE `Component` SET `Attributes` = 384 WHERE `Component` = 'SettingsFile' AND `Attributes` = 256
UPDATE `Component` SET `Attributes` = 128 WHERE `Component` = 'SettingsFile' AND `Attributes` = 0

-- One key for each property given; the unit and the style as the numbers the
-- program keeps. ~= compares without regard to letter case.
UPDATE `Component` SET `Condition` = 'FOLDER' WHERE `Component` = 'PresetFolder'
UPDATE `Component` SET `Condition` = 'INTERVAL' WHERE `Component` = 'PresetInterval'
UPDATE `Component` SET `Condition` = 'UNIT ~= "Seconds"' WHERE `Component` = 'PresetSeconds'
UPDATE `Component` SET `Condition` = 'UNIT ~= "Minutes"' WHERE `Component` = 'PresetMinutes'
UPDATE `Component` SET `Condition` = 'STYLE ~= "Center"' WHERE `Component` = 'PresetCenter'
UPDATE `Component` SET `Condition` = 'STYLE ~= "Tile"' WHERE `Component` = 'PresetTile'
UPDATE `Component` SET `Condition` = 'STYLE ~= "Stretch"' WHERE `Component` = 'PresetStretch'
UPDATE `Component` SET `Condition` = 'ROTATE_AT_STARTUP' WHERE `Component` = 'PresetRotateAtStartup'
UPDATE `Component` SET `Condition` = 'START_WITH_WINDOWS = "1" OR MovingRunValue' WHERE `Component` = 'StartWithWindows'

-- Action 0 adds the key or replaces its value in place.
CREATE TABLE `IniFile` (`IniFile` CHAR(72) NOT NULL, `FileName` CHAR(255) NOT NULL LOCALIZABLE, `DirProperty` CHAR(72), `Section` CHAR(96) NOT NULL LOCALIZABLE, `Key` CHAR(128) NOT NULL LOCALIZABLE, `Value` CHAR(255) NOT NULL LOCALIZABLE, `Action` SHORT NOT NULL, `Component_` CHAR(72) NOT NULL PRIMARY KEY `IniFile`)
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetFolder', 'settings.ini', 'ProgramFolder', 'Settings', 'wallpaperDir', '[FOLDER]', 0, 'PresetFolder')
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetInterval', 'settings.ini', 'ProgramFolder', 'Settings', 'rotationInt', '[INTERVAL]', 0, 'PresetInterval')
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetSeconds', 'settings.ini', 'ProgramFolder', 'Settings', 'rotationIntType', '0', 0, 'PresetSeconds')
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetMinutes', 'settings.ini', 'ProgramFolder', 'Settings', 'rotationIntType', '1', 0, 'PresetMinutes')
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetCenter', 'settings.ini', 'ProgramFolder', 'Settings', 'wallpaperMode', '0', 0, 'PresetCenter')
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetTile', 'settings.ini', 'ProgramFolder', 'Settings', 'wallpaperMode', '1', 0, 'PresetTile')
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetStretch', 'settings.ini', 'ProgramFolder', 'Settings', 'wallpaperMode', '2', 0, 'PresetStretch')
INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) VALUES ('PresetRotateAtStartup', 'settings.ini', 'ProgramFolder', 'Settings', 'rotateAtStartup', '[ROTATE_AT_STARTUP]', 0, 'PresetRotateAtStartup')

-- Written after InstallFiles (4000) has put the Unicode settings.ini in place.
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteIniValues', 5100)

-- Task Manager's switch of the Run value the StartWithWindows component
-- writes (StartupApproved, in the 64-bit view): one an administrator left
-- switched off would keep the entry off, while a missing one leaves it on.
-- OwnSwitch (product.wxs) names it; 32-bit Windows, with one Run key, keeps
-- it under Run. Removed as the system, result ignored (3170), only when the
-- administrator asks for the entry with START_WITH_WINDOWS=1, with the other
-- changes to the Run values (uninstall.sql), after their copy is kept for a
-- rollback.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SetOwnSwitchOn32BitWindows', 51, 'OwnSwitch', 'Run')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveOwnSwitch', 3170, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\[OwnSwitch] /v BackdropCarousel /f /reg:64')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('SetOwnSwitchOn32BitWindows', 'NOT VersionNT64', 1005)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveOwnSwitch', 'START_WITH_WINDOWS = "1"', 3522)

-- A value moved from the 32-bit view to the 64-bit package's own takes its
-- switch from Run32 to Run, where it replaces whatever switch was there (the
-- value written replaces that one's value too); Run32's goes with the value
-- removed there (uninstall.sql). Where the 64-bit view's value moves too,
-- its own switch stays, and is the one kept.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('MoveOtherSwitch32', 3170, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c reg delete [RunSwitch] /f & for /f "usebackq tokens=2*" %a in (`reg query [Run32Switch]`) do reg add [RunSwitch] /t %a /d %b /f')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('MoveOtherSwitch32', 'VersionNT64 AND MovingRunValue AND MachineRun32Removed AND NOT MachineRunRemoved AND OwnSwitch = "Run"', 3515)
