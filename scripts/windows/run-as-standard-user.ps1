# Runs a command line with the token Windows gives an administrator's
# programs that are not elevated: the Administrators group for denying only,
# no privilege but the one every user holds, and medium integrity, at which
# COM reads the user's own class registrations first. Prints the command's
# output (stdout and stderr, through a file) and exits with its exit code:
#   run-as-standard-user.ps1 COMMAND-LINE
# https://learn.microsoft.com/windows/win32/api/securitybaseapi/nf-securitybaseapi-createrestrictedtoken
# https://learn.microsoft.com/windows/win32/secauthz/mandatory-integrity-control
# https://learn.microsoft.com/windows/win32/api/processthreadsapi/nf-processthreadsapi-createprocessasuserw
param([Parameter(Mandatory)] [string] $CommandLine)
$ErrorActionPreference = 'Stop'
Add-Type -TypeDefinition @'
using System;
using System.ComponentModel;
using System.Runtime.InteropServices;

public static class StandardUser {
    [StructLayout(LayoutKind.Sequential)]
    struct SidAndAttributes { public IntPtr Sid; public uint Attributes; }
    [StructLayout(LayoutKind.Sequential, CharSet = CharSet.Unicode)]
    struct StartupInfo {
        public int Size; public string Reserved, Desktop, Title;
        public int X, Y, Width, Height, Columns, Rows, Fill, Flags;
        public short Show, Reserved2; public IntPtr Reserved3, Input, Output, Error;
    }
    [StructLayout(LayoutKind.Sequential)]
    struct ProcessInformation { public IntPtr Process, Thread; public int ProcessId, ThreadId; }

    [DllImport("kernel32.dll")] static extern IntPtr GetCurrentProcess();
    [DllImport("advapi32.dll", SetLastError = true)]
    static extern bool OpenProcessToken(IntPtr process, uint access, out IntPtr token);
    [DllImport("advapi32.dll", SetLastError = true, CharSet = CharSet.Unicode)]
    static extern bool ConvertStringSidToSid(string text, out IntPtr sid);
    [DllImport("advapi32.dll")] static extern int GetLengthSid(IntPtr sid);
    [DllImport("advapi32.dll", SetLastError = true)]
    static extern bool CreateRestrictedToken(IntPtr token, uint flags, uint disableCount, SidAndAttributes[] disable,
        uint deleteCount, IntPtr delete, uint restrictCount, IntPtr restrict, out IntPtr restricted);
    [DllImport("advapi32.dll", SetLastError = true)]
    static extern bool SetTokenInformation(IntPtr token, int kind, ref SidAndAttributes label, int size);
    [DllImport("advapi32.dll", SetLastError = true, CharSet = CharSet.Unicode)]
    static extern bool CreateProcessAsUser(IntPtr token, string application, string commandLine, IntPtr processSecurity,
        IntPtr threadSecurity, bool inherit, uint flags, IntPtr environment, string folder, ref StartupInfo startup,
        out ProcessInformation process);
    [DllImport("kernel32.dll")] static extern uint WaitForSingleObject(IntPtr handle, uint milliseconds);
    [DllImport("kernel32.dll")] static extern bool GetExitCodeProcess(IntPtr process, out uint code);

    static IntPtr Sid(string text) {
        IntPtr sid;
        if (!ConvertStringSidToSid(text, out sid)) throw new Win32Exception();
        return sid;
    }

    public static uint Run(string commandLine, string folder) {
        const uint TokenAllAccess = 0xF01FF, DisableMaxPrivilege = 1, GroupIntegrity = 0x20;
        const int TokenIntegrityLevel = 25;
        IntPtr token, restricted;
        if (!OpenProcessToken(GetCurrentProcess(), TokenAllAccess, out token)) throw new Win32Exception();
        var administrators = new[] { new SidAndAttributes { Sid = Sid("S-1-5-32-544") } };
        if (!CreateRestrictedToken(token, DisableMaxPrivilege, 1, administrators, 0, IntPtr.Zero, 0, IntPtr.Zero,
                                   out restricted))
            throw new Win32Exception();
        var medium = new SidAndAttributes { Sid = Sid("S-1-16-8192"), Attributes = GroupIntegrity };
        int size = Marshal.SizeOf(medium) + GetLengthSid(medium.Sid);
        if (!SetTokenInformation(restricted, TokenIntegrityLevel, ref medium, size)) throw new Win32Exception();
        var startup = new StartupInfo { Size = Marshal.SizeOf(typeof(StartupInfo)) };
        ProcessInformation process;
        if (!CreateProcessAsUser(restricted, null, commandLine, IntPtr.Zero, IntPtr.Zero, false, 0, IntPtr.Zero,
                                 folder, ref startup, out process))
            throw new Win32Exception();
        WaitForSingleObject(process.Process, 0xFFFFFFFF);
        uint code;
        GetExitCodeProcess(process.Process, out code);
        return code;
    }
}
'@
$output = Join-Path ([IO.Path]::GetTempPath()) "standard-user-$PID.txt"
$code = [StandardUser]::Run("cmd /d /c `"$CommandLine > `"$output`" 2>&1`"", (Get-Location).Path)
Get-Content $output
Remove-Item $output
exit $code
