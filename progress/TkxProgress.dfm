object kxProgress: TkxProgress
  Left = 86
  Top = 182
  BorderIcons = []
  BorderStyle = bsDialog
  ClientHeight = 89
  ClientWidth = 353
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Pitch = fpFixed
  Font.Style = []
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object Label1: TLabel
    Left = 120
    Top = 8
    Width = 8
    Height = 16
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clMaroon
    Font.Height = -13
    Font.Name = 'MS Sans Serif'
    Font.Pitch = fpFixed
    Font.Style = [fsBold]
    ParentFont = False
  end
  object Label2: TLabel
    Left = 25
    Top = 66
    Width = 8
    Height = 16
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clMaroon
    Font.Height = -13
    Font.Name = 'MS Sans Serif'
    Font.Pitch = fpFixed
    Font.Style = [fsBold]
    ParentFont = False
  end
  object Label3: TLabel
    Left = 25
    Top = 8
    Width = 72
    Height = 16
    Caption = 'Status : '
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clMaroon
    Font.Height = -13
    Font.Name = 'MS Sans Serif'
    Font.Pitch = fpFixed
    Font.Style = [fsBold]
    ParentFont = False
  end
  object cmbLang: TComboBox
    Left = 104
    Top = 36
    Width = 145
    Height = 21
    ItemHeight = 13
    TabOrder = 0
    Visible = False
    OnChange = cmbLangChange
  end
  object Timer2: TTimer
    Enabled = False
    Interval = 5000
    OnTimer = Timer2Timer
  end
  object Label4: TLabel
    Left = 19
    Top = 37
    Width = 6
    Height = 24
    Font.Charset = ANSI_CHARSET
    Font.Color = clNavy
    Font.Height = -21
    Font.Name = 'Helvetica'
    Font.Pitch = fpFixed
    Font.Style = [fsBold]
    ParentFont = False
    Visible = False
  end
  object prgBar: TProgressBar
    Left = 24
    Top = 32
    Width = 305
    Height = 25
    Min = 0
    Max = 100
    TabOrder = 1
    Visible = False
  end
end
