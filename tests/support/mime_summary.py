#!/usr/bin/python3
"""Parses an e-mail file with Python's email package and prints what a receiver sees as JSON:
the header fields, the decoded text and each attachment (file name, base64 of its bytes)
in order, and the defects the parser found."""
import base64
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as source:
    message = email.message_from_binary_file(source, policy=email.policy.default)

text = ""
attachments = []
for part in message.walk():
    if part.is_multipart():
        continue
    if part.get_content_disposition() == "attachment":
        attachments.append({"fileName": part.get_filename(),
                            "contentType": part.get_content_type(),
                            "content": base64.b64encode(part.get_payload(decode=True)).decode()})
    elif part.get_content_type() == "text/plain":
        text += part.get_content()

defects = [type(defect).__name__ for part in message.walk() for defect in part.defects]
print(json.dumps({"headers": {name: str(value) for name, value in message.items()},
                  "contentType": message.get_content_type(),
                  "text": text, "attachments": attachments, "defects": defects}))
