# The release packages under Windows Installer itself, which applies the
# file-versioning rules and closes running programs through Restart Manager
# (Wine's msiexec does neither):
#   installer-test.ps1 PACKAGES OLDER
# PACKAGES holds the four release packages, OLDER the same four of an older
# version. For each package: the older one installs (the machine-wide one
# with presets) and its program is started, with a standard user's rights,
# and left running for more than a minute; the new one installs over it,
# silently, and ends with exit code 0, not 3010 (a restart needed to replace
# the running program); the program installed is the new version, listed
# once in Apps & features, and runs again, started anew; settings.ini and
# the Run value outlive the upgrade; uninstalling leaves neither the folder,
# the Start menu entry, the Apps & features entry nor a Run value (for the
# 32-bit package for every user, also the one its program writes in the
# 64-bit registry view). Then a per-user package installed as a double-click
# does (msiexec without /q: the full user interface) ends with the program's
# window, and is uninstalled again.
# msiexec's logs go to msiexec-logs\.
param([Parameter(Mandatory)] [string] $Packages, [Parameter(Mandatory)] [string] $Older)
$ErrorActionPreference = 'Stop'
$logs = (New-Item -ItemType Directory -Force msiexec-logs).FullName
$current = 'Microsoft\Windows\CurrentVersion'

# msiexec's exit code. Only msiexec itself is waited for: a program that
# Restart Manager starts again must not hold up the test.
function Invoke-Msiexec([string] $Action, [string] $Package, [string] $Log, [string[]] $Properties = @(),
    [switch] $Interactive) {
    $ui = if ($Interactive) { @() } else { @('/qn') }
    $arguments = @($Action, "`"$Package`"") + $Properties + $ui + @('/norestart', '/l*v', "`"$logs\$Log.log`"")
    $process = Start-Process msiexec.exe -ArgumentList $arguments -PassThru
    $null = $process.Handle
    $process.WaitForExit()
    return $process.ExitCode
}

function Get-FileVersion([string] $Path) {
    $info = (Get-Item $Path).VersionInfo
    "$($info.FileMajorPart).$($info.FileMinorPart).$($info.FileBuildPart)"
}

# The Apps & features entries named BackdropCarousel, in every registry view.
function Get-Entries {
    $keys = "HKLM:\Software\$current\Uninstall\*", "HKLM:\Software\WOW6432Node\$current\Uninstall\*",
        "HKCU:\Software\$current\Uninstall\*"
    Get-ItemProperty $keys -ErrorAction SilentlyContinue | Where-Object DisplayName -eq 'BackdropCarousel'
}

# The BackdropCarousel Run values: the user's, and the machine's in both views.
function Get-RunValues {
    foreach ($key in "HKCU:\Software\$current\Run", "HKLM:\Software\$current\Run",
        "HKLM:\Software\WOW6432Node\$current\Run") {
        (Get-ItemProperty $key -ErrorAction SilentlyContinue).BackdropCarousel
    }
}

function Get-Program([string] $Exe) {
    Get-Process BackdropCarousel -ErrorAction SilentlyContinue | Where-Object Path -eq $Exe
}

function Wait-For([scriptblock] $Condition, [int] $Seconds) {
    $deadline = (Get-Date).AddSeconds($Seconds)
    while (-not (& $Condition)) {
        if ((Get-Date) -gt $deadline) { return $false }
        Start-Sleep -Milliseconds 250
    }
    return $true
}

function Assert([bool] $Condition, [string] $Message) {
    if (-not $Condition) { throw "${script:package}: $Message" }
}

foreach ($msi in Get-ChildItem "$Packages\*.msi") {
    $script:package = $msi.Name
    $name = $msi.Name -replace '^BackdropCarousel-[\d.]+-(win\d\d-\w+)\.msi$', '$1'
    $older = Get-ChildItem "$Older\BackdropCarousel-*-$name.msi"
    $version = $msi.Name -replace '^BackdropCarousel-([\d.]+)-.*$', '$1'
    $olderVersion = $older.Name -replace '^BackdropCarousel-([\d.]+)-.*$', '$1'
    $folder = switch ($name) {
        { $_ -like '*-user' } { "$env:LOCALAPPDATA\Programs\BackdropCarousel" }
        'win64-machine' { "$env:ProgramFiles\BackdropCarousel" }
        'win32-machine' { "${env:ProgramFiles(x86)}\BackdropCarousel" }
    }
    $shortcut = if ($name -like '*-user') { $env:APPDATA } else { $env:ProgramData }
    $shortcut += '\Microsoft\Windows\Start Menu\Programs\BackdropCarousel.lnk'
    $exe = "$folder\BackdropCarousel.exe"
    $presets = if ($name -like '*-machine') { @('INTERVAL=10', 'UNIT=Minutes', 'START_WITH_WINDOWS=1') } else { @() }
    Write-Host "$($msi.Name), over $($older.Name)"

    $code = Invoke-Msiexec /i $older.FullName "$name-older" $presets
    Assert ($code -eq 0) "the older package ended with $code"
    Assert ((Get-FileVersion $exe) -eq $olderVersion) "the older package installed version $(Get-FileVersion $exe)"
    if ($name -like '*-user') {
        # The user's own settings (UTF-16LE with a byte-order mark) and
        # "Start with Windows", as the program writes them.
        [IO.File]::WriteAllText("$folder\settings.ini", "[Settings]`r`nrotationInt=10`r`n", [Text.Encoding]::Unicode)
        New-ItemProperty "HKCU:\Software\$current\Run" BackdropCarousel -Value "`"$exe`"" -Force | Out-Null
    }
    # Restart Manager starts again only a program that is not elevated
    # (RmRestart) and has run for at least 60 seconds
    # (RegisterApplicationRestart). Every process of the runner has the
    # administrator's full token, so the program is started with a standard
    # user's (runas's Basic User trust level), and runs for over a minute.
    Start-Process runas.exe -ArgumentList "/trustlevel:0x20000 `"$exe`"" -NoNewWindow -Wait
    Assert (Wait-For { Get-Program $exe | Where-Object MainWindowHandle -ne 0 } 20) 'the older program shows no window'
    # Its handle, held from now on, tells later whether it has ended.
    $running = Get-Program $exe
    $null = $running.Handle
    Start-Sleep -Seconds ([Math]::Max(0, [Math]::Ceiling(65 - ((Get-Date) - $running.StartTime).TotalSeconds)))
    $settings = [IO.File]::ReadAllBytes("$folder\settings.ini")

    $started = Get-Date
    $code = Invoke-Msiexec /i $msi.FullName "$name-upgrade"
    Assert ($code -eq 0) "the upgrade of the running program ended with $code"
    Assert ((Get-FileVersion $exe) -eq $version) "the upgrade left version $(Get-FileVersion $exe) installed"
    $entries = @(Get-Entries)
    Assert ($entries.Count -eq 1 -and $entries[0].DisplayVersion -eq $version) `
        "Apps & features lists $($entries.DisplayVersion -join ', ')"
    Assert $running.HasExited 'the older program still runs'
    Assert (Wait-For { Get-Program $exe | Where-Object StartTime -gt $started } 30) 'the program was not started again'
    Assert ([Convert]::ToBase64String([IO.File]::ReadAllBytes("$folder\settings.ini")) -eq
        [Convert]::ToBase64String($settings)) 'the upgrade changed settings.ini'
    Assert (@(Get-RunValues).Count -eq 1) 'the upgrade lost the Run value'
    Get-Program $exe | Stop-Process -Force
    Assert (Wait-For { -not (Get-Program $exe) } 20) 'the program does not end'

    # The 32-bit program's value for every user, which it writes in the
    # 64-bit view; the 32-bit package finds it there through reg.exe.
    if ($name -eq 'win32-machine') {
        New-ItemProperty "HKLM:\Software\$current\Run" BackdropCarousel -Value "`"$exe`"" -Force | Out-Null
    }
    $code = Invoke-Msiexec /x $msi.FullName "$name-uninstall"
    Assert ($code -eq 0) "uninstalling ended with $code"
    Assert (-not (Test-Path $folder)) "uninstalling left $((Get-ChildItem $folder -ErrorAction SilentlyContinue).Name -join ', ')"
    Assert (-not (Test-Path $shortcut)) 'uninstalling left the Start menu entry'
    Assert (-not (Get-Entries)) 'uninstalling left the Apps & features entry'
    Assert (-not (Get-RunValues)) 'uninstalling left a Run value'

    if ($name -like '*-user') {
        Assert ((Invoke-Msiexec /i $msi.FullName "$name-interactive" -Interactive) -eq 0) 'the interactive install failed'
        Assert (Wait-For { Get-Program $exe | Where-Object MainWindowHandle -ne 0 } 20) 'the interactive install shows no window'
        Get-Program $exe | Stop-Process -Force -PassThru | Wait-Process
        Assert ((Invoke-Msiexec /x $msi.FullName "$name-interactive-uninstall") -eq 0) 'uninstalling it again failed'
    }
}
