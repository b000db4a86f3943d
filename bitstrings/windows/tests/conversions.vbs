' Late binding from a script host: Project1.Binary created by its
' programmatic name and called through IDispatch, as a VBScript user calls
' it. Every failed check prints a line; the exit code counts the failures.
Option Explicit

Dim failures
failures = 0

Sub Expect(name, actual, expected)
    If TypeName(actual) <> TypeName(expected) Then
        WScript.Echo "FAIL " & name & ": got a " & TypeName(actual) & ", expected a " & TypeName(expected)
        failures = failures + 1
    ElseIf actual <> expected Then
        WScript.Echo "FAIL " & name & ": got [" & actual & "], expected [" & expected & "]"
        failures = failures + 1
    End If
End Sub

' Checks the error that the statement before it left in Err, then clears it.
Sub ExpectError(name, number, description)
    If Err.Number <> number Then
        WScript.Echo "FAIL " & name & ": error " & Err.Number & " (" & Err.Description & "), expected " & number
        failures = failures + 1
    ElseIf description <> "" And Err.Description <> description Then
        WScript.Echo "FAIL " & name & ": description [" & Err.Description & "], expected [" & description & "]"
        failures = failures + 1
    End If
    Err.Clear
End Sub

Dim binary, value, padded, i, allCodes, allBits
On Error Resume Next
Set binary = CreateObject("Project1.Binary")
ExpectError "CreateObject", 0, ""
If binary Is Nothing Then WScript.Quit 100

' Characters to bit strings
Expect "GetStringBits AB", binary.GetStringBits("AB"), "0100000101000010"
Expect "GetStringBits 0 255", binary.GetStringBits(ChrW(0) & ChrW(255)), "0000000011111111"
Expect "GetStringBits empty", binary.GetStringBits(""), ""
Expect "getstringbits in lower case", binary.getstringbits("A"), "01000001"

' Codes to bit strings, and the range of Bin
Expect "Bin 0", binary.Bin(0), "00000000"
Expect "Bin 5", binary.Bin(5), "00000101"
Expect "Bin 255", binary.Bin(255), "11111111"
Expect "Bin of a numeric text", binary.Bin("7"), "00000111"
value = binary.Bin(256)
ExpectError "Bin 256", 5, "Invalid procedure call or argument"
value = binary.Bin(-1)
ExpectError "Bin -1", 5, "Invalid procedure call or argument"
value = binary.Bin(32768)
ExpectError "Bin beyond a 16-bit integer", 6, ""
value = binary.Bin("seven")
ExpectError "Bin of a text", 13, ""

' Dec pads the caller's variable in place
padded = "101"
Expect "Dec 101", binary.Dec(padded), 5
Expect "Dec pads its argument", padded, "00000101"
padded = ""
Expect "Dec empty", binary.Dec(padded), 0
Expect "Dec pads the empty string", padded, "00000000"
Expect "Dec counts only the digit 1", binary.Dec("1a1b1c1d"), 170
value = binary.Dec("123456789")
ExpectError "Dec of nine characters", 5, "Invalid procedure call or argument"

' ChrBin
Expect "ChrBin A", binary.ChrBin("01000001"), "A"
padded = "1000010"
Expect "ChrBin short", binary.ChrBin(padded), "B"
Expect "ChrBin pads its argument", padded, "01000010"

' GetStringFromBits reads groups of eight
padded = "0100000101000010"
Expect "GetStringFromBits AB", binary.GetStringFromBits(padded), "AB"
Expect "GetStringFromBits leaves its argument", padded, "0100000101000010"
Expect "GetStringFromBits empty", binary.GetStringFromBits(""), Chr(0)
Expect "GetStringFromBits nine digits", binary.GetStringFromBits("010000011"), "A"
Expect "GetStringFromBits ten digits", binary.GetStringFromBits("0100000111"), "A" & Chr(3)

' Bin and GetStringFromBits leave the caller's variable as it was, also
' when it had to be converted for the call
value = "5.4"
Expect "Bin of 5.4", binary.Bin(value), "00000101"
Expect "Bin leaves 5.4", value, "5.4"
value = "&H5"
Expect "Bin of &H5", binary.Bin(value), "00000101"
Expect "Bin leaves &H5", value, "&H5"
value = 5.5
Expect "Bin of 5.5", binary.Bin(value), "00000110"
Expect "Bin leaves 5.5", value, 5.5
value = Empty
Expect "Bin of Empty", binary.Bin(value), "00000000"
Expect "Bin leaves Empty", value, Empty
value = Empty
Expect "GetStringFromBits of Empty", binary.GetStringFromBits(value), Chr(0)
Expect "GetStringFromBits leaves Empty", value, Empty

' Every code goes to its bit string, to its one character and back. The
' characters are the component's own: under a code page of two-byte
' characters its codes are those of Windows-1252, not the script's Chr.
allCodes = ""
allBits = ""
For i = 0 To 255
    allCodes = allCodes & binary.ChrBin(binary.Bin(i))
    allBits = allBits & binary.Bin(i)
    If binary.Dec(binary.Bin(i)) <> i Then
        WScript.Echo "FAIL code " & i & " through Bin and Dec"
        failures = failures + 1
    End If
Next
Expect "all codes one character each", Len(allCodes), CLng(256)
Expect "all codes through GetStringBits", binary.GetStringBits(allCodes), allBits
Expect "all codes back through GetStringFromBits", binary.GetStringFromBits(allBits), allCodes

' Late binding knows the public operations only, each with its one argument
value = binary.CharBits("A")
ExpectError "private CharBits", 438, ""
value = binary.EncryptFile("x.txt")
ExpectError "private EncryptFile", 438, ""
value = binary.GetStringBits()
ExpectError "missing argument", 450, ""

If failures = 0 Then WScript.Echo "All conversions passed."
WScript.Quit failures
